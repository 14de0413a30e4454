// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

#include <CLI/CLI.hpp>

#include "ScannedSource.h"
#include "SourceOptions.h"
#include "app/LogReport.h"
#include "app/Result.h"
#include "volume/FileData.h"

namespace kestrel::cli {

// `--path P [--key K]`: the one file a command reads, by its path in the scanned tree and, where
// a deleted and a live file share the path, by its key.
struct FileChoice {
  std::string path;
  std::optional<std::uint64_t> key;

  void AddTo(CLI::App& parser);
};

// The scanned source and where the chosen file's bytes lie on it.
struct ChosenFile {
  ScannedSource scanned;
  volume::FileDataLayout layout;
};

// Scans the source and finds the file; several files at the path without --key is an error that
// lists their keys.
app::Result<ChosenFile> OpenChosenFile(const SourceOptions& source, const FileChoice& choice,
                                       std::stop_token stop, const app::LogReport& log);

}  // namespace kestrel::cli
