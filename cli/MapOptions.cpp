// SPDX-License-Identifier: Apache-2.0
#include "MapOptions.h"

#include <iostream>

#include "Command.h"
#include "disk/platform/Platform.h"

namespace kestrel::cli {

void MapOptions::AddTo(CLI::App& parser) {
  parser.add_option("--map", path_,
                    "The map of unread areas (ours or GNU ddrescue's) of the image; files that "
                    "touch an area not finished are marked (default: the map beside the image)");
}

bool MapOptions::Read() const {
  if (!path_ || platform::PathExists(*path_)) return true;
  PrintError("no such map file: " + *path_);
  return false;
}

app::Result<std::optional<LoadedMap>> MapOptions::Load(const ScannedSource& scanned) const {
  auto map = LoadMap(scanned);
  if (!map.ok() || !scanned.source.IsValid()) return map;
  std::optional<LoadedMap> loaded = std::move(map).value();
  auto areas = volume::WithSourceUnread(
      loaded ? std::optional(std::move(loaded->areas)) : std::nullopt, *scanned.source.Source());
  if (!areas) return std::optional<LoadedMap>();
  if (!loaded) std::cerr << "Files are marked against the sectors the source records as unread\n";
  return std::optional<LoadedMap>({std::move(*areas), loaded ? loaded->path : std::string()});
}

app::Result<std::optional<LoadedMap>> MapOptions::LoadMap(const ScannedSource& scanned) const {
  const auto bytes = static_cast<std::uint64_t>(scanned.source.Size());
  if (path_) {
    auto areas = volume::LoadUnreadAreas(*path_, bytes);
    if (!areas.ok()) return app::Failure{areas.error()};
    return std::optional<LoadedMap>({std::move(areas).value(), *path_});
  }
  // The image given, a numbered disk that is one, or the one a saved scan names.
  auto beside = volume::FindMapBeside(scanned.description.sourcePath, bytes);
  if (!beside) return std::optional<LoadedMap>();
  if (!beside->areas) {
    std::cerr << "The map beside the image is not used: " << beside->problem << '\n';
    return std::optional<LoadedMap>();
  }
  std::cerr << "Files are marked against the map " << beside->path << '\n';
  return std::optional<LoadedMap>({std::move(*beside->areas), beside->path});
}

}  // namespace kestrel::cli
