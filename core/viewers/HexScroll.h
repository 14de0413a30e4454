// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <climits>
#include <cstdint>

namespace kestrel::viewers {

// The pages of a file on a scroll bar whose positions are ints: one position a page while they
// fit, else the pages spread evenly over the positions, the first and the last page at the ends.
// The viewer keeps its page in 64 bits and steps it by one page; the bar only points at it.
class HexScroll {
 public:
  explicit HexScroll(std::uint64_t pageCount, int largestPosition = INT_MAX);

  int Maximum() const { return maximum_; }
  std::uint64_t LastPage() const { return lastPage_; }
  int PositionOf(std::uint64_t page) const;
  std::uint64_t PageAt(int position) const;

 private:
  std::uint64_t lastPage_;
  int maximum_;
};

}  // namespace kestrel::viewers
