// SPDX-License-Identifier: Apache-2.0
#include "disk/UnreadRanges.h"

#include <algorithm>
#include <filesystem>

#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::disk {

std::vector<ByteRange> JoinRanges(std::vector<ByteRange> ranges) {
  std::erase_if(ranges, [](const ByteRange& range) { return range.length <= 0; });
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
  std::vector<ByteRange> joined;
  for (const ByteRange& range : ranges) {
    if (!joined.empty() && range.offset <= joined.back().End())
      joined.back().length = std::max(joined.back().End(), range.End()) - joined.back().offset;
    else
      joined.push_back(range);
  }
  return joined;
}

std::int64_t BytesInRanges(const std::vector<ByteRange>& joined, std::int64_t offset,
                           std::int64_t length) {
  const std::int64_t end = offset + length;
  auto range =
      std::upper_bound(joined.begin(), joined.end(), offset,
                       [](std::int64_t at, const ByteRange& range) { return at < range.End(); });
  std::int64_t bytes = 0;
  for (; range != joined.end() && range->offset < end; ++range)
    bytes += std::min(end, range->End()) - std::max(offset, range->offset);
  return bytes;
}

bool TouchesRange(const std::vector<ByteRange>& joined, std::int64_t offset, std::int64_t length) {
  return length > 0 && BytesInRanges(joined, offset, length) > 0;
}

std::vector<ByteRange> UnfinishedRanges(const RescueMap& map) {
  std::vector<ByteRange> ranges;
  for (const MapBlock& block : map.Blocks()) {
    if (block.status != BlockStatus::Finished)
      ranges.push_back(
          {static_cast<std::int64_t>(block.position), static_cast<std::int64_t>(block.size)});
  }
  return JoinRanges(std::move(ranges));
}

app::Result<std::vector<ByteRange>> LoadUnfinishedRanges(const std::string& path,
                                                         std::uint64_t bytes) {
  auto text = ReadMapText(path);
  if (!text.ok()) return app::Failure{text.error()};
  auto map = RescueMap::Parse(text.value(), bytes);
  if (!map.ok()) return app::Failure{path + ": " + map.error()};
  return UnfinishedRanges(map.value());
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

std::optional<std::string> MapBesideSource(const std::string& sourcePath) {
  const auto disk = PhysicalDriveNumber(sourcePath);
  return MapBesideImage(disk ? platform::DiskDevicePath(*disk) : sourcePath);
}

UnreadRangeSource::UnreadRangeSource(std::shared_ptr<ByteSource> source,
                                     std::vector<ByteRange> unread)
    : source_(std::move(source)) {
  const std::vector<ByteRange> under = source_->UnreadRanges();
  unread.insert(unread.end(), under.begin(), under.end());
  unread_ = JoinRanges(std::move(unread));
}

std::optional<std::size_t> UnreadRangeSource::ReadSome(std::int64_t offset,
                                                       std::span<std::uint8_t> buffer) {
  const auto read = source_->ReadSome(offset, buffer);
  if (read && TouchesRange(unread_, offset, static_cast<std::int64_t>(*read))) return std::nullopt;
  return read;
}

app::Result<std::shared_ptr<ByteSource>> WithMapBeside(std::shared_ptr<ByteSource> source,
                                                       const std::string& path) {
  const auto map = MapBesideSource(path);
  if (!map) return source;
  auto unread = LoadUnfinishedRanges(*map, static_cast<std::uint64_t>(source->Size()));
  if (!unread.ok()) return app::Failure{unread.error()};
  if (unread.value().empty()) return source;
  return std::shared_ptr<ByteSource>(
      std::make_shared<UnreadRangeSource>(std::move(source), std::move(unread).value()));
}

}  // namespace kestrel::disk
