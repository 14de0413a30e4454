// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>

#include "savedscan/SourceFileKind.h"

// The scan information file: the 35-byte banner, then ScanFileRecords up to the end of the file.
// Every integer little-endian, every name UTF-16LE. Offsets are from the record's start.
namespace kestrel::savedscan::format {

inline constexpr std::size_t kNameReference = 0;  // 4 bytes nobody reads; written as zero
inline constexpr std::size_t kParentKey = 4;      // u64; on the first record: the location value
inline constexpr std::size_t kKey = 12;           // u64
inline constexpr std::size_t kSize = 20;          // u32, the low 32 bits of the size
inline constexpr std::size_t kExtentBlocks = 24;  // u32
inline constexpr std::size_t kExtentStart = 28;   // u32
inline constexpr std::size_t kReserved = 32;      // 8 bytes, written as zero
inline constexpr std::size_t kTreeItem = 40;      // u32, written as zero, never read
inline constexpr std::size_t kState = 44;         // u8 selection state when written
inline constexpr std::size_t kNameUnits =
    45;                                   // u16 L: UTF-16 units of the name; 0 continues a file
inline constexpr std::size_t kName = 47;  // L units, no terminator
inline constexpr std::size_t kFixedBytes = kName;  // a record is 47 + 2 * L bytes

}  // namespace kestrel::savedscan::format
