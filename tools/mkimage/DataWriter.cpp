// SPDX-License-Identifier: Apache-2.0
#include "DataWriter.h"

#include <algorithm>
#include <limits>

#include "NssFormat.h"

namespace kestrel::mkimage {

Result<std::vector<Extent>> DataWriter::write(const FileContent& content,
                                              std::uint32_t extentCount) {
  const std::uint64_t blocks = (content.size() + nss::kBlockSize - 1) / nss::kBlockSize;
  if (blocks > std::numeric_limits<std::uint32_t>::max()) return Error{"the file is too large"};
  if (extentCount > blocks) {
    return Error{std::to_string(extentCount) +
                 " extents need at least as many blocks of data, "
                 "the file has " +
                 std::to_string(blocks)};
  }
  std::vector<Extent> extents;
  std::uint64_t fileOffset = 0;
  for (std::uint32_t i = 0; i < extentCount; ++i) {
    const auto count =
        static_cast<std::uint32_t>(blocks / extentCount + (i < blocks % extentCount));
    Result<std::uint32_t> start = blocks_.allocate(count);
    if (!start) return start.error();
    if (i + 1 < extentCount) {
      if (Result<std::uint32_t> gap = blocks_.allocate(1); !gap) return gap.error();
    }
    const std::uint64_t length = std::min<std::uint64_t>(std::uint64_t{count} * nss::kBlockSize,
                                                         content.size() - fileOffset);
    const auto at = static_cast<std::uint64_t>(space_.blockOffset(*start));
    if (Status status = CopyContent(content, fileOffset, length, space_.image(), at); !status) {
      return status.error();
    }
    extents.push_back({count, *start});
    fileOffset += length;
  }
  return extents;
}

}  // namespace kestrel::mkimage
