// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ByteBuffer.h"

// The 512-byte structures of fixed layout: boot sector, partition and group headers, pool label,
// super block, and the sectors that name one block (volume directory anchor, volume root).
namespace kestrel::mkimage {

// With the NetWare signature and the first header's sector, or an ordinary MBR (only 55 AA).
ByteBuffer BootSector(bool netWareSignature, std::uint32_t firstHeaderSector);
ByteBuffer PartitionHeader(std::uint32_t continuation, std::uint32_t sizeSectors,
                           std::uint32_t link);
// A PoolLabel, also the label of a group header.
ByteBuffer PoolLabel(std::uint64_t sectorCount, std::u16string_view poolName);
ByteBuffer SuperBlock(bool signature, std::uint64_t anchorBlock, std::u16string_view poolName);
ByteBuffer GroupHeader(std::uint32_t nextGroupHeaderSector);
// A sector holding one u32 block number at `offset` (anchor: first directory block; volume
// root: first leaf block).
ByteBuffer BlockPointerSector(std::size_t offset, std::uint32_t block);

}  // namespace kestrel::mkimage
