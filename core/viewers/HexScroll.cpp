// SPDX-License-Identifier: Apache-2.0
#include "viewers/HexScroll.h"

#include <algorithm>

namespace kestrel::viewers {
namespace {

using Wide = unsigned __int128;  // page × position stays exact for 2^56 pages and 2^31 positions

}  // namespace

HexScroll::HexScroll(std::uint64_t pageCount, int largestPosition)
    : lastPage_(pageCount == 0 ? 0 : pageCount - 1),
      maximum_(static_cast<int>(std::min<std::uint64_t>(lastPage_, std::max(largestPosition, 0)))) {
}

int HexScroll::PositionOf(std::uint64_t page) const {
  page = std::min(page, lastPage_);
  if (lastPage_ == static_cast<std::uint64_t>(maximum_)) return static_cast<int>(page);
  return static_cast<int>((Wide{page} * maximum_ + lastPage_ / 2) / lastPage_);
}

std::uint64_t HexScroll::PageAt(int position) const {
  position = std::clamp(position, 0, maximum_);
  if (lastPage_ == static_cast<std::uint64_t>(maximum_))
    return static_cast<std::uint64_t>(position);
  return static_cast<std::uint64_t>(Wide{static_cast<std::uint64_t>(position)} * lastPage_ /
                                    static_cast<std::uint64_t>(maximum_));
}

}  // namespace kestrel::viewers
