// SPDX-License-Identifier: Apache-2.0
#include "volume/UnreadAreas.h"

#include <algorithm>
#include <filesystem>

#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::volume {

UnreadAreas::UnreadAreas(const imaging::RescueMap& map) {
  for (const imaging::MapBlock& block : map.Blocks()) {
    if (block.status == imaging::BlockStatus::Finished) continue;
    if (!areas_.empty() && areas_.back().End() == block.position)
      areas_.back().size += block.size;
    else
      areas_.push_back(block);
  }
}

std::uint64_t UnreadAreas::BytesIn(const FileDataLayout& layout) const {
  std::uint64_t bytes = 0;
  for (const SourceRange& range : layout.ranges) {
    if (range.offset >= 0)
      bytes += BytesWithin(static_cast<std::uint64_t>(range.offset), range.length);
  }
  return bytes;
}

std::uint64_t UnreadAreas::BytesWithin(std::uint64_t offset, std::uint64_t length) const {
  const std::uint64_t end = offset + length;
  auto area = std::upper_bound(
      areas_.begin(), areas_.end(), offset,
      [](std::uint64_t at, const imaging::MapBlock& block) { return at < block.End(); });
  std::uint64_t bytes = 0;
  for (; area != areas_.end() && area->position < end; ++area)
    bytes += std::min(end, area->End()) - std::max(offset, area->position);
  return bytes;
}

app::Result<UnreadAreas> LoadUnreadAreas(const std::string& path, std::uint64_t bytes) {
  auto text = imaging::ReadMapText(path);
  if (!text.ok()) return app::Failure{text.error()};
  auto map = imaging::RescueMap::Parse(text.value(), bytes);
  if (!map.ok()) return app::Failure{path + ": " + map.error()};
  return UnreadAreas(map.value());
}

std::optional<std::string> MapBesideImage(const std::string& imagePath) {
  if (imagePath.empty()) return std::nullopt;
  const std::filesystem::path image = platform::Utf8Path(imagePath);
  for (const std::filesystem::path& beside :
       {std::filesystem::path(image).concat(".map"),
        std::filesystem::path(image).replace_extension(".map")}) {
    const std::string path = platform::Utf8Text(beside);
    if (path != imagePath && platform::PathExists(path)) return path;
  }
  return std::nullopt;
}

std::optional<MapBeside> FindMapBeside(const std::string& sourcePath, std::uint64_t bytes) {
  const auto disk = disk::PhysicalDriveNumber(sourcePath);
  const auto path = MapBesideImage(disk ? platform::DiskDevicePath(*disk) : sourcePath);
  if (!path) return std::nullopt;
  auto areas = LoadUnreadAreas(*path, bytes);
  if (!areas.ok()) return MapBeside{*path, std::nullopt, areas.error()};
  return MapBeside{*path, std::move(areas).value(), {}};
}

std::string NeverReadText(std::uint64_t bytes) {
  return std::to_string(bytes) + " bytes were never read from the disk";
}

}  // namespace kestrel::volume
