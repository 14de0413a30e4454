// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/ByteReader.h"

// Decoders of the sectors that lead from a disk's boot sector to a pool's volume directory. Each
// reads a buffer the disk reader filled; none performs I/O.
namespace kestrel::disk {

bool IsNetWareBootSector(ByteView sector0);
std::uint32_t FirstPartitionHeaderSector(ByteView sector0);

bool IsPartitionHeader(ByteView sector);
std::uint32_t NextPartitionHeaderSector(ByteView header);  // 0: the last header
std::uint32_t PartitionExtentSectors(ByteView header);
std::uint32_t PartitionContinuation(ByteView header);

std::u16string PoolName(ByteView label);
std::uint64_t PoolSectorCount(ByteView label);

bool IsPoolSuperBlock(ByteView sector);
std::uint64_t VolumeDirectoryAnchorBlock(ByteView superBlock);

// The first tree block named by a VolumeDirectoryAnchor or by a volume's root block.
std::uint32_t FirstChainBlock(ByteView anchorOrRoot);

// Byte offset of pool block n: poolBase + (n - 1) * 4096. Absent when the offset would be
// negative or beyond the 64-bit range, which no source can hold.
std::optional<std::int64_t> BlockOffset(std::int64_t poolBase, std::uint64_t n);

}  // namespace kestrel::disk
