// SPDX-License-Identifier: Apache-2.0
#include "VolumeRecord.h"

#include <algorithm>

#include "NameBlock.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

using namespace nss::record;
namespace info = nss::volume_info;

constexpr std::uint64_t kLogicalVolumesKey = 0x40;  // key given to the "LogicalVolumes" record
constexpr std::uint32_t kDirectoryRecordStart = 1;  // non-zero first extent: not a skipped record

std::uint16_t NameSpaceId(std::size_t nameCount) {
  constexpr std::uint16_t kIds[] = {nss::name_block::kOneName, nss::name_block::kTwoNames,
                                    nss::name_block::kThreeNames};
  return kIds[nameCount - 1];
}

// Writes the fields every directory record shares and returns E, the offset of the last byte of
// its last name.
std::size_t WriteDirectoryRecordHead(ByteBuffer& record, std::uint64_t key, std::uint16_t kind,
                                     const std::vector<std::u16string>& names) {
  record.putText(kMark, kMarkText);
  record.putU64(kKey, key);
  record.putU32(kFirstExtentStart, kDirectoryRecordStart);
  record.putU16(kRecordKind, kind);
  record.putU16(kNameSpaceId, NameSpaceId(names.size()));
  return WriteNameParts(record, kNameSpaceId, NameParts{names}) - 1;
}

std::size_t DirectoryWalkPosition(const VolumeRecordLayout& wanted, std::size_t e) {
  if (wanted.layout == BlockLayout::A) return e + info::kDirectoryA;
  if (wanted.kind == 1) return e + (wanted.zvl ? info::kDirectoryKind1Mark : info::kDirectoryKind1);
  return e + (wanted.zvl ? info::kDirectoryKind2Mark : info::kDirectoryKind2);
}

std::size_t PoolScanPosition(const ByteBuffer& record, BlockLayout layout, std::size_t e) {
  if (record.holdsText(e + info::kPoolScanMark, info::kMark)) return e + info::kPoolScanMark;
  return e + (layout == BlockLayout::A ? info::kPoolScanA : info::kPoolScanB);
}

void PutLength(ByteBuffer& record, std::size_t end) {
  const std::size_t length = (end + 1) & ~std::size_t{1};
  record.extendTo(length);
  record.putU16(kLength, static_cast<std::uint16_t>(length));
}

}  // namespace

VolumeRecord EncodeVolumeRecord(const VolumeRecordLayout& wanted) {
  VolumeRecord volume;
  ByteBuffer& record = volume.bytes;
  const std::size_t e = WriteDirectoryRecordHead(record, wanted.key, wanted.kind, wanted.names);
  record.putText(kVolumeMark, std::string_view(&kVolumeMarkChar, 1));
  const std::size_t walk = DirectoryWalkPosition(wanted, e);
  if (wanted.zvl) record.putText(walk, info::kMark);
  record.putU64(walk + info::kRootBlock, wanted.rootBlock);
  const std::size_t scan = PoolScanPosition(record, wanted.layout, e);
  const std::size_t rootEnd = walk + info::kRootBlock + 8;
  const std::size_t idStart = scan + info::kVolumeId;
  if (idStart + 8 <= walk + info::kRootBlock || idStart >= rootEnd) {
    record.putU64(idStart, wanted.volumeId);
  }
  PutLength(record, std::max(walk, scan) + info::kSize);
  volume.poolScanVolumeId = record.read(idStart, 8);
  return volume;
}

ByteBuffer EncodeLogicalVolumesRecord() {
  ByteBuffer record;
  const std::size_t e =
      WriteDirectoryRecordHead(record, kLogicalVolumesKey, 1, {u"LogicalVolumes"});
  PutLength(record, e + 1);
  return record;
}

}  // namespace kestrel::mkimage
