// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "disk/ByteReader.h"

// The 4096-byte tree blocks of a pool: their two layouts and the plain record walk of the volume
// directory. The scanners walk the same records with bounds of their own.
namespace kestrel::disk {

enum class BlockLayout { A, B };

struct TreeBlockShape {
  BlockLayout layout;
  std::size_t recordArea;  // R: where the first record starts
  std::size_t linkOffset;  // u32 link to the next block of the chain
};

bool IsTreeBlock(ByteView block);
// Layout A or B by the mark at 0x32, with the record area and the link offset that go with it.
TreeBlockShape TreeBlockLayout(ByteView block);
std::uint32_t TreeBlockLink(ByteView block);
std::uint64_t TreeBlockVolumeId(ByteView block);

// The record area of a block: from R to the end of the block. Record offsets h are relative to it.
ByteView RecordArea(ByteView block);

// Hands every record of the block to the visitor as (record area, h), from h = 0 while
// h < 3600. A record of length 0 is handed on once and ends the walk, so a damaged block never
// loops.
void ForEachRecord(ByteView block,
                   const std::function<void(ByteView recordArea, std::size_t h)>& visitor);

}  // namespace kestrel::disk
