// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Result.h"
#include "disk/ByteSource.h"
#include "disk/RescueMap.h"

// The ranges of a source that hold no data of the disk it stands for: what an imaging run never
// read (a map beside the image says so), or what an evidence file records as acquisition errors.
namespace kestrel::disk {

// The ranges in order, those that overlap or touch made one, empty ones left out.
std::vector<ByteRange> JoinRanges(std::vector<ByteRange> ranges);

// How many of the bytes offset to offset + length lie in the joined ranges.
std::int64_t BytesInRanges(const std::vector<ByteRange>& joined, std::int64_t offset,
                           std::int64_t length);
// Whether bytes offset to offset + length share a byte with one of the joined ranges.
bool TouchesRange(const std::vector<ByteRange>& joined, std::int64_t offset, std::int64_t length);

// Every run of the map not finished: never tried, or tried and failed, so zeros in the image.
std::vector<ByteRange> UnfinishedRanges(const RescueMap& map);

// The unfinished ranges of the map file at path, for an image of `bytes` bytes; refused, with the
// file named, when it is not a map of that many bytes.
app::Result<std::vector<ByteRange>> LoadUnfinishedRanges(const std::string& path,
                                                         std::uint64_t bytes);

// The map that imaging leaves beside an image: `disk.img.map` as this program names it, or
// `disk.map`; nothing when neither is there.
std::optional<std::string> MapBesideImage(const std::string& imagePath);
// The same beside the image a source names: an image file, or a numbered disk that is one.
std::optional<std::string> MapBesideSource(const std::string& sourcePath);

// A source whose unread ranges read as failures, as a failing disk's sectors do, rather than as
// the zeros an imaging run put in their place; it says they are unread, with those of the source
// under it.
class UnreadRangeSource : public ByteSource {
 public:
  UnreadRangeSource(std::shared_ptr<ByteSource> source, std::vector<ByteRange> unread);

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return source_->Size(); }
  void AdviseSequential(std::int64_t offset, std::int64_t length) override {
    source_->AdviseSequential(offset, length);
  }
  std::int64_t NextData(std::int64_t offset) const override { return source_->NextData(offset); }
  std::vector<ByteRange> UnreadRanges() const override { return unread_; }

 private:
  std::shared_ptr<ByteSource> source_;
  std::vector<ByteRange> unread_;
};

// The source of the image at path with the ranges the map beside it has not finished refused;
// the source itself when no map is there; why not when the map does not describe the image.
app::Result<std::shared_ptr<ByteSource>> WithMapBeside(std::shared_ptr<ByteSource> source,
                                                       const std::string& path);

}  // namespace kestrel::disk
