// SPDX-License-Identifier: Apache-2.0
#include "TreeBlock.h"

#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

using namespace nss::tree_block;

std::size_t RecordArea(BlockLayout layout) {
  return layout == BlockLayout::A ? kRecordAreaA : kRecordAreaB;
}

}  // namespace

TreeBlock::TreeBlock(BlockLayout layout, std::uint64_t volumeId, std::uint32_t recordLimit)
    : layout_(layout), volumeId_(volumeId), recordLimit_(recordLimit), link_(nss::kNoBlock) {}

Result<std::optional<std::size_t>> TreeBlock::append(const ByteBuffer& record,
                                                     std::size_t trailingZeros) {
  const std::size_t area = RecordArea(layout_);
  const std::size_t room = nss::kBlockSize - area;
  const std::size_t footprint = record.size() + trailingZeros;
  if (footprint > room) {
    return Error{"a record of " + std::to_string(footprint) + " bytes cannot fit a block"};
  }
  const bool full = next_ >= kRecordStartLimit || next_ + footprint > room ||
                    (recordLimit_ != 0 && records_ == recordLimit_);
  if (full) return std::optional<std::size_t>{};
  const std::size_t layoutMarkInRecord = kLayoutMark - kRecordAreaB;
  if (layout_ == BlockLayout::B && records_ == 0 &&
      record.holdsText(layoutMarkInRecord, nss::record::kMarkText)) {
    return Error{"key " + HexText(record.read(nss::record::kKey, 8)) +
                 " would put \"ND\" at block offset 0x32 and make a layout-B block read as "
                 "layout A; its bytes 2..3 must not be 4E 44"};
  }
  recordArea_.putBytes(next_, record.bytes());
  const std::size_t placedAt = area + next_;
  next_ += footprint;
  ++records_;
  return std::optional<std::size_t>{placedAt};
}

ByteBuffer TreeBlock::bytes() const {
  const BlockLayout layout = empty() ? BlockLayout::B : layout_;
  ByteBuffer block(nss::kBlockSize);
  block.putText(0, kSignature);
  block.putU64(kVolumeId, volumeId_);
  block.putU32(layout == BlockLayout::A ? kLinkA : kLinkB, link_);
  block.putBytes(RecordArea(layout), recordArea_.bytes());
  return block;
}

}  // namespace kestrel::mkimage
