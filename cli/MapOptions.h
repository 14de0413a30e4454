// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "ScannedSource.h"
#include "volume/UnreadAreas.h"

namespace kestrel::cli {

// The unread areas laid over the files, and the map file they were read from ("" when only the
// source itself tells them).
struct LoadedMap {
  volume::UnreadAreas areas;
  std::string path;
};

// --map FILE: the map of the areas that imaging never read from the failing disk the image came
// from, laid over the files. Without the option, a map beside the image is used when one is there.
class MapOptions {
 public:
  void AddTo(CLI::App& parser);

  // Before any scan: false, with the reason on standard error, when --map names no file.
  bool Read() const;

  // The unread areas of the scanned source: the map's, with those the source records itself (an
  // evidence file's acquisition errors); nothing when there are none. An error for a map --map
  // names that does not fit the image; a map found beside it that does not fit is passed over,
  // saying why on standard error.
  app::Result<std::optional<LoadedMap>> Load(const ScannedSource& scanned) const;

 private:
  app::Result<std::optional<LoadedMap>> LoadMap(const ScannedSource& scanned) const;

  std::optional<std::string> path_;
};

}  // namespace kestrel::cli
