// SPDX-License-Identifier: Apache-2.0
#include "FixedSectors.h"

#include "NssFormat.h"

namespace kestrel::mkimage {

ByteBuffer BootSector(bool netWareSignature, std::uint32_t firstHeaderSector) {
  ByteBuffer sector(nss::kSectorSize);
  if (netWareSignature) {
    sector.putText(0, nss::boot::kSignature);
    sector.putU32(nss::boot::kFirstHeaderSector, firstHeaderSector);
  }
  sector.putText(nss::boot::kMbrMark, nss::boot::kMbrMarkBytes);
  return sector;
}

ByteBuffer PartitionHeader(std::uint32_t continuation, std::uint32_t sizeSectors,
                           std::uint32_t link) {
  ByteBuffer sector(nss::kSectorSize);
  sector.putText(0, nss::partition::kSignature);
  sector.putU32(nss::partition::kContinuation, continuation);
  sector.putU32(nss::partition::kSizeSectors, sizeSectors);
  sector.putU32(nss::partition::kLink, link);
  return sector;
}

ByteBuffer PoolLabel(std::uint64_t sectorCount, std::u16string_view poolName) {
  ByteBuffer sector(nss::kSectorSize);
  sector.putU64(nss::pool_label::kSectorCount, sectorCount);
  sector.putUtf16(nss::pool_label::kName, poolName);
  return sector;
}

ByteBuffer SuperBlock(bool signature, std::uint64_t anchorBlock, std::u16string_view poolName) {
  ByteBuffer sector(nss::kSectorSize);
  if (signature) sector.putText(0, nss::super_block::kSignature);
  sector.putU64(nss::super_block::kAnchorBlock, anchorBlock);
  sector.putUtf16(nss::super_block::kName, poolName);
  return sector;
}

ByteBuffer GroupHeader(std::uint32_t nextGroupHeaderSector) {
  ByteBuffer sector(nss::kSectorSize);
  sector.putText(0, nss::group::kSignature);
  sector.putU32(nss::group::kLink, nextGroupHeaderSector);
  return sector;
}

ByteBuffer BlockPointerSector(std::size_t offset, std::uint32_t block) {
  ByteBuffer sector(nss::kSectorSize);
  sector.putU32(offset, block);
  return sector;
}

}  // namespace kestrel::mkimage
