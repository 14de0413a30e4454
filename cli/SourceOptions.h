// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "ImageSource.h"
#include "app/LogReport.h"
#include "app/Result.h"
#include "pool/PoolScanner.h"
#include "volume/VolumeScanner.h"

namespace kestrel::cli {

// The options that name what to read: a disk or an image, the pool and volume on it, and how the
// pools are found (the boot sector's chain, or a disk scan) and read (the volume's tree, or a
// pool scan).
struct SourceOptions {
  std::optional<int> disk;
  std::optional<std::string> image;
  std::optional<std::string> pool;
  std::optional<std::string> volume;
  std::optional<std::string> scanFile;
  bool poolScan = false;
  bool diskScan = false;

  // --raid SET fills `image` with the set's source name ("raid:" + SET), under which it is
  // opened, discovered and saved as an image file is.
  // withScans: the command reads a volume or pool and offers --pool-scan, --disk-scan and
  // --scan-file.
  void AddTo(CLI::App& parser, bool withScans = true);

  // The device or image file read; nothing for a saved scan, whose file names its own.
  std::optional<std::string> SourcePath() const;
};

// --raid SET on a parser whose disk and image options are given: it excludes them, and fills
// `image` with the set's source name.
void AddRaidOption(CLI::App& parser, std::optional<std::string>& image,
                   const std::vector<CLI::Option*>& excluded);

// The disk or image the options name, with the pools media discovery (or, with --disk-scan, the
// disk scan) finds on it.
app::Result<DiscoveredSource> DiscoverSource(const SourceOptions& options, std::stop_token stop,
                                             const app::LogReport& log);

// The pool the options name, as discovery found it.
app::Result<disk::PoolEntry> FindPool(const SourceOptions& options, std::stop_token stop,
                                      const app::LogReport& log);

// The pool the options name, ready for a pool scan. A name that matches nothing is an error that
// lists what exists; one that matches several is an error that lists them. Without --pool the
// only pool there is is taken.
app::Result<pool::PoolScanSource> ResolvePool(const SourceOptions& options, std::stop_token stop,
                                              const app::LogReport& log);

// The volume the options name, ready for a volume scan (the same rules for --volume).
app::Result<volume::VolumeScanSource> ResolveVolume(const SourceOptions& options,
                                                    std::stop_token stop,
                                                    const app::LogReport& log);

}  // namespace kestrel::cli
