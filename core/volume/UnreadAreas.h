// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/Result.h"
#include "disk/ByteSource.h"
#include "disk/UnreadRanges.h"
#include "imaging/RescueMap.h"
#include "volume/FileData.h"

// Which files hold bytes that were never read from a failing disk: the areas that an imaging
// map (ours, or GNU ddrescue's) has not finished, and those the source itself says it holds no
// data of (an evidence file's acquisition errors), laid over each file's extents on the image.
namespace kestrel::volume {

class UnreadAreas {
 public:
  // Every run of the map not finished: never tried, or tried and failed, so zeros in the image.
  explicit UnreadAreas(const imaging::RescueMap& map);
  explicit UnreadAreas(std::vector<disk::ByteRange> areas);

  // These areas with the other's as well.
  void Add(const UnreadAreas& other);

  // The bytes of the file's data that lie in an unread area; 0 for a file read whole.
  std::uint64_t BytesIn(const FileDataLayout& layout) const;
  // The same for the file whose head record is `head` (block n at poolBase + (n - 1) * 4096).
  std::uint64_t BytesOfFile(const FileTree& tree, RecordId head, std::int64_t poolBase) const {
    return BytesIn(LayoutFileData(tree, head, poolBase));
  }

 private:
  std::uint64_t BytesWithin(std::uint64_t offset, std::uint64_t length) const;

  std::vector<disk::ByteRange> areas_;  // by position, none touching the next
};

// The areas a map gives (if any) with those the source says it never read; nothing when neither
// has any.
std::optional<UnreadAreas> WithSourceUnread(std::optional<UnreadAreas> fromMap,
                                            const disk::ByteSource& source);

// The map of an image of `bytes` bytes at `path`; refused, with the file named, when it is not a
// map of that many bytes.
app::Result<UnreadAreas> LoadUnreadAreas(const std::string& path, std::uint64_t bytes);

using disk::MapBesideImage;

// A map found beside the image a scan read, and whether it describes that image.
struct MapBeside {
  std::string path;
  std::optional<UnreadAreas> areas;  // nothing when it does not describe the image
  std::string problem;               // then why
};

// The map beside the image the source names (an image file, or a numbered disk that is one), for
// an image of `bytes` bytes; nothing when there is none.
std::optional<MapBeside> FindMapBeside(const std::string& sourcePath, std::uint64_t bytes);

// What a file that touches an unread area says, in lists and reports.
std::string NeverReadText(std::uint64_t bytes);

}  // namespace kestrel::volume
