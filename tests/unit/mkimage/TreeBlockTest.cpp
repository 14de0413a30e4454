// SPDX-License-Identifier: Apache-2.0
// Packing records into tree blocks: where records may start and end, the per-block limit, the
// header of each layout, and the chain's links.
#include <gtest/gtest.h>

#include "TreeBlock.h"
#include "TreeBlockChain.h"

namespace kestrel::mkimage {
namespace {

ByteBuffer Record(std::size_t size, std::uint64_t key = 0x1000) {
  ByteBuffer record(size);
  record.putU16(0, static_cast<std::uint16_t>(size));
  record.putText(2, "ND");
  record.putU64(8, key);
  return record;
}

std::optional<std::size_t> Append(TreeBlock& block, const ByteBuffer& record) {
  Result<std::optional<std::size_t>> placed = block.append(record, 0);
  EXPECT_TRUE(placed) << placed.error().message;
  return placed ? *placed : std::nullopt;
}

TEST(TreeBlock, PlacesRecordsWhileTheyStartBelow3600AndEndInsideTheBlock) {
  TreeBlock block(BlockLayout::B, 7, 0);
  EXPECT_EQ(Append(block, Record(3000)), 0x28u);
  EXPECT_EQ(Append(block, Record(1100)), std::nullopt) << "would end past the block";
  EXPECT_EQ(Append(block, Record(1000)), 0x28u + 3000);
  TreeBlock late(BlockLayout::B, 7, 0);
  Append(late, Record(3600));
  EXPECT_EQ(Append(late, Record(2)), std::nullopt) << "a record may not start at 3600";
}

TEST(TreeBlock, HonoursTheRecordLimit) {
  TreeBlock block(BlockLayout::A, 7, 2);
  EXPECT_EQ(Append(block, Record(100)), 0x30u);
  EXPECT_EQ(Append(block, Record(100)), 0x30u + 100);
  EXPECT_EQ(Append(block, Record(100)), std::nullopt);
}

TEST(TreeBlock, KeepsZerosFreeAfterASkippedRecord) {
  TreeBlock block(BlockLayout::B, 7, 0);
  ASSERT_TRUE(block.append(Record(100), 42));
  EXPECT_EQ(Append(block, Record(100)), 0x28u + 142);
}

TEST(TreeBlock, WritesTheHeaderOfItsLayout) {
  TreeBlock a(BlockLayout::A, 0x55, 0);
  Append(a, Record(100));
  a.setLink(9);
  const ByteBuffer bytesA = a.bytes();
  EXPECT_TRUE(bytesA.holdsText(0, "LEAF"));
  EXPECT_EQ(bytesA.read(0x10, 8), 0x55u);
  EXPECT_EQ(bytesA.read(0x18, 4), 9u);
  EXPECT_TRUE(bytesA.holdsText(0x32, "ND"));
  EXPECT_EQ(bytesA.size(), 4096u);

  TreeBlock b(BlockLayout::B, 0x55, 0);
  Append(b, Record(100));
  const ByteBuffer bytesB = b.bytes();
  EXPECT_EQ(bytesB.read(0x20, 4), 0x80000000u) << "an unlinked block ends the chain";
  EXPECT_TRUE(bytesB.holdsText(0x2A, "ND"));
  EXPECT_FALSE(bytesB.holdsText(0x32, "ND"));
}

TEST(TreeBlock, AnEmptyBlockIsWrittenAsLayoutB) {
  const ByteBuffer bytes = TreeBlock(BlockLayout::A, 1, 0).bytes();
  EXPECT_EQ(bytes.read(0x20, 4), 0x80000000u);
  EXPECT_EQ(bytes.read(0x18, 4), 0u);
}

TEST(TreeBlock, RejectsAFirstKeyThatWouldMarkLayoutA) {
  TreeBlock block(BlockLayout::B, 1, 0);
  EXPECT_FALSE(block.append(Record(100, 0x444E0000), 0));
  TreeBlock layoutA(BlockLayout::A, 1, 0);
  EXPECT_TRUE(layoutA.append(Record(100, 0x444E0000), 0)) << "layout A has its mark anyway";
}

TEST(TreeBlock, RejectsARecordThatFitsNoBlock) {
  TreeBlock block(BlockLayout::B, 1, 0);
  EXPECT_FALSE(block.append(Record(4096 - 0x28 + 2), 0));
}

TEST(TreeBlockChain, LinksFullBlocksToNewOnesAndEndsWithNoBlock) {
  SparseFile discard = SparseFile::Discarding();
  PoolSpace space(discard, 0x5000);
  BlockAllocator blocks(space.poolBase(), {{2, 100}}, {});
  Result<TreeBlockChain> chain = TreeBlockChain::Start(space, blocks, BlockLayout::B, 3, 2);
  ASSERT_TRUE(chain);
  EXPECT_EQ(chain->firstBlock(), 2u);
  std::vector<std::int64_t> offsets;
  for (int i = 0; i < 5; ++i) {
    Result<std::int64_t> placed = chain->place(Record(64), 0);
    ASSERT_TRUE(placed);
    offsets.push_back(*placed);
  }
  EXPECT_EQ(offsets[0], space.blockOffset(2) + 0x28);
  EXPECT_EQ(offsets[1], space.blockOffset(2) + 0x28 + 64);
  EXPECT_EQ(offsets[2], space.blockOffset(3) + 0x28);
  EXPECT_EQ(offsets[4], space.blockOffset(4) + 0x28);
}

TEST(BlockAllocator, StepsOverReservedBytesAndMovesOnToTheNextRegion) {
  const std::int64_t poolBase = 0x5000;
  // Block 5 lies at poolBase + 4 * 4096; reserve bytes inside it.
  BlockAllocator blocks(poolBase, {{2, 8}, {20, 30}},
                        {{poolBase + 4 * 4096 + 512, poolBase + 5 * 4096 + 512}});
  EXPECT_EQ(*blocks.allocate(3), 2u);
  EXPECT_EQ(*blocks.allocate(1), 7u) << "blocks 5 and 6 touch the reserved bytes";
  EXPECT_EQ(*blocks.allocate(2), 20u) << "no room left in the first region";
  EXPECT_FALSE(blocks.allocate(20));
}

}  // namespace
}  // namespace kestrel::mkimage
