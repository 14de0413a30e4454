// SPDX-License-Identifier: Apache-2.0
#include "EntryRecord.h"

#include <algorithm>

#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

using namespace nss::record;

// A folder or an empty file uses no blocks "starting at block 1"; a skipped record starts at 0.
constexpr std::uint32_t kNoDataStartBlock = 1;

// Writes the extent list from 0x58 and returns T, the start of the name section.
std::size_t WriteExtents(ByteBuffer& record, const EntryRecordLayout& wanted) {
  const std::vector<Extent> pairs = StoredExtentPairs(wanted.extents);
  if (pairs.empty()) record.putU32(kFirstExtentStart, wanted.skip ? 0 : kNoDataStartBlock);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    record.putU32(kExtentList + kExtentPairSize * i, pairs[i].blocks);
    record.putU32(kExtentList + kExtentPairSize * i + 4, pairs[i].start);
  }
  const std::size_t terminator = kExtentList + kExtentPairSize * pairs.size();
  record.putU32(terminator, 0);
  if (wanted.layout == BlockLayout::A) return terminator + kExtentTerminatorToNames;
  const std::size_t further = pairs.empty() ? 0 : pairs.size() - 1;
  return kNameSectionB + kExtentPairSize * further;
}

}  // namespace

std::vector<Extent> StoredExtentPairs(const std::vector<Extent>& extents) {
  std::vector<Extent> pairs;
  std::uint32_t total = 0;
  for (const Extent& extent : extents) {
    total += extent.blocks;
    pairs.push_back({total, extent.start});
  }
  return pairs;
}

Result<ByteBuffer> EncodeEntryRecord(const EntryRecordLayout& wanted) {
  ByteBuffer record(kNameSectionB);  // every record reaches at least its name section
  record.putText(kMark, kMarkText);
  record.putU64(kKey, wanted.key);
  record.putU64(kSize, wanted.size);
  const std::size_t t = WriteExtents(record, wanted);
  Result<std::size_t> end = WriteNameSection(record, t, wanted.names);
  if (!end) return end.error();
  const std::size_t length = (*end + 1) & ~std::size_t{1};
  if (length > 0xFFFF) return Error{"the record is longer than a 16-bit length can say"};
  record.extendTo(length);
  record.putU16(kLength, static_cast<std::uint16_t>(length));
  return record;
}

}  // namespace kestrel::mkimage
