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

app::Result<std::optional<volume::UnreadAreas>> MapOptions::Load(
    const ScannedSource& scanned) const {
  const auto bytes = static_cast<std::uint64_t>(scanned.source.Size());
  if (path_) {
    auto areas = volume::LoadUnreadAreas(*path_, bytes);
    if (!areas.ok()) return app::Failure{areas.error()};
    return std::optional(std::move(areas).value());
  }
  // The image given, a numbered disk that is one, or the one a saved scan names.
  auto beside = volume::FindMapBeside(scanned.description.sourcePath, bytes);
  if (!beside) return std::optional<volume::UnreadAreas>();
  if (!beside->areas) std::cerr << "The map beside the image is not used: " << beside->problem << '\n';
  else std::cerr << "Files are marked against the map " << beside->path << '\n';
  return std::move(beside->areas);
}

}  // namespace kestrel::cli
