// SPDX-License-Identifier: Apache-2.0
#include "volume/UnreadAreas.h"

namespace kestrel::volume {

UnreadAreas::UnreadAreas(const imaging::RescueMap& map) : areas_(disk::UnfinishedRanges(map)) {}

UnreadAreas::UnreadAreas(std::vector<disk::ByteRange> areas)
    : areas_(disk::JoinRanges(std::move(areas))) {}

void UnreadAreas::Add(const UnreadAreas& other) {
  areas_.insert(areas_.end(), other.areas_.begin(), other.areas_.end());
  areas_ = disk::JoinRanges(std::move(areas_));
}

std::optional<UnreadAreas> WithSourceUnread(std::optional<UnreadAreas> fromMap,
                                            const disk::ByteSource& source) {
  std::vector<disk::ByteRange> own = source.UnreadRanges();
  if (own.empty()) return fromMap;
  UnreadAreas areas(std::move(own));
  if (fromMap) areas.Add(*fromMap);
  return areas;
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
  return static_cast<std::uint64_t>(disk::BytesInRanges(areas_, static_cast<std::int64_t>(offset),
                                                        static_cast<std::int64_t>(length)));
}

app::Result<UnreadAreas> LoadUnreadAreas(const std::string& path, std::uint64_t bytes) {
  auto ranges = disk::LoadUnfinishedRanges(path, bytes);
  if (!ranges.ok()) return app::Failure{ranges.error()};
  return UnreadAreas(std::move(ranges).value());
}

std::optional<MapBeside> FindMapBeside(const std::string& sourcePath, std::uint64_t bytes) {
  const auto path = disk::MapBesideSource(sourcePath);
  if (!path) return std::nullopt;
  auto areas = LoadUnreadAreas(*path, bytes);
  if (!areas.ok()) return MapBeside{*path, std::nullopt, areas.error()};
  return MapBeside{*path, std::move(areas).value(), {}};
}

std::string NeverReadText(std::uint64_t bytes) {
  return std::to_string(bytes) + " bytes were never read from the disk";
}

}  // namespace kestrel::volume
