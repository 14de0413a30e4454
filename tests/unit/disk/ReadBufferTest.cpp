// SPDX-License-Identifier: Apache-2.0
#include "disk/ReadBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace kestrel::disk {
namespace {

bool OnPage(const void* memory) {
  return reinterpret_cast<std::uintptr_t>(memory) % ReadBuffer::kAlignment == 0;
}

TEST(ReadBuffer, StartsOnAPageWithTheSizeAskedAndNoOldBytes) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{1 << 20},
                                 std::size_t{(1 << 20) + 512}}) {
    const ReadBuffer buffer(size);
    EXPECT_TRUE(OnPage(buffer.data())) << size;
    EXPECT_EQ(buffer.size(), size);
    EXPECT_EQ(buffer.span().size(), size);
    EXPECT_TRUE(std::all_of(buffer.span().begin(), buffer.span().end(),
                            [](std::uint8_t byte) { return byte == 0; }));
  }
}

TEST(ReadBuffer, MovesWithoutCopyingAndLeavesNothingBehind) {
  ReadBuffer first(8192);
  first.span()[8191] = 0x5A;
  const std::uint8_t* memory = first.data();
  ReadBuffer second(std::move(first));
  EXPECT_EQ(second.data(), memory);
  EXPECT_EQ(second.span()[8191], 0x5A);
  EXPECT_TRUE(first.span().empty());  // NOLINT(bugprone-use-after-move): its state is defined

  ReadBuffer third(512);
  third = std::move(second);
  EXPECT_EQ(third.data(), memory);
  EXPECT_EQ(third.size(), 8192u);
  EXPECT_TRUE(second.span().empty());  // NOLINT(bugprone-use-after-move)
}

TEST(ReadBuffer, EmptyHasNoMemory) {
  const ReadBuffer empty(0);
  EXPECT_EQ(empty.data(), nullptr);
  EXPECT_TRUE(empty.span().empty());
}

TEST(ReadBuffer, RoundsToWholePages) {
  EXPECT_EQ(ReadBuffer::RoundToPage(0), 0u);
  EXPECT_EQ(ReadBuffer::RoundToPage(1), 4096u);
  EXPECT_EQ(ReadBuffer::RoundToPage(4096), 4096u);
  EXPECT_EQ(ReadBuffer::RoundToPage(4097), 8192u);
}

}  // namespace
}  // namespace kestrel::disk
