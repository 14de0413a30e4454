// SPDX-License-Identifier: Apache-2.0
// The ranges a source holds no data of: joined and looked up.
#include <gtest/gtest.h>

#include <vector>

#include "disk/UnreadRanges.h"

namespace kestrel::disk {
namespace {

TEST(UnreadRanges, AreJoinedInOrderAndLookedUpByTheBytesTheyShare) {
  const auto joined = JoinRanges({{4096, 512}, {0, 512}, {512, 512}, {4200, 1000}, {9000, 0}});
  EXPECT_EQ(joined, (std::vector<ByteRange>{{0, 1024}, {4096, 1104}}));
  EXPECT_TRUE(TouchesRange(joined, 1023, 1));
  EXPECT_FALSE(TouchesRange(joined, 1024, 3072)) << "ends where the next starts";
  EXPECT_TRUE(TouchesRange(joined, 2000, 2097));
  EXPECT_FALSE(TouchesRange(joined, 5200, 100000));
  EXPECT_FALSE(TouchesRange(joined, 0, 0));
}

}  // namespace
}  // namespace kestrel::disk
