// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Bytes.h"

// Hand-made NSS structures for unit tests: just the fields the decoders read, written at the
// offsets of the structure tables.
namespace kestrel::test {

inline constexpr std::uint32_t kNoBlock = 0x80000000;
inline constexpr std::int64_t kSuperBlockDistance = 0x5000;

inline std::int64_t PoolBaseOf(std::uint64_t headerSector) {
  return static_cast<std::int64_t>(headerSector * 512) + kSuperBlockDistance;
}

inline std::size_t BlockAt(std::int64_t poolBase, std::uint64_t n) {
  return static_cast<std::size_t>(poolBase + static_cast<std::int64_t>(n - 1) * 4096);
}

inline void PutBootSector(Bytes& disk, std::uint32_t firstHeader) {
  disk.Put(0, std::string_view("\xEB\x71\x90GMBR\0", 8)).PutU32(0x1D6, firstHeader);
}

inline void PutPartitionHeader(Bytes& disk, std::uint64_t sector, std::uint32_t link,
                               std::uint32_t extent = 0x10000) {
  const std::size_t at = sector * 512;
  disk.Put(at, std::string_view("\x01Nw_PaRtItIoN", 13))
      .PutU32(at + 0x14, extent)
      .PutU32(at + 0xBC, link);
}

// Label, super block (anchor in block 2) and anchor naming the first directory block.
inline void PutPool(Bytes& disk, std::uint64_t headerSector, std::u16string_view name,
                    std::uint32_t firstDirectoryBlock) {
  const std::size_t header = headerSector * 512;
  disk.PutUtf16(header + 0x3A00 + 0x28, name);
  const std::int64_t base = PoolBaseOf(headerSector);
  disk.Put(BlockAt(base, 1), "SPB5").PutU64(BlockAt(base, 1) + 0xBC, 2);
  disk.PutU32(BlockAt(base, 2) + 0x20, firstDirectoryBlock);
}

// A named object record (kind 1 or 2) with name-space id 23 (one name), 22 or 20, and a "ZVL"
// VolumeInfo at E + 0x71 carrying the root block. Returns the record's length.
inline std::size_t PutVolumeRecord(Bytes& disk, std::size_t at, std::uint16_t kind,
                                   const std::vector<std::u16string>& names,
                                   std::uint64_t rootBlock, std::uint16_t nameSpace = 0) {
  constexpr std::uint16_t kIdByNameCount[] = {0, 23, 22, 20};
  const std::uint16_t id = nameSpace ? nameSpace : kIdByNameCount[names.size()];
  disk.Put(at + 2, "ND").PutU16(at + 0x69, kind).PutU16(at + 0x78, id);
  std::size_t p = at + 0x78 + 4;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool byteLength = (names.size() == 2 && i == 1) || (names.size() == 3 && i == 2);
    byteLength ? disk.PutU8(p, static_cast<std::uint8_t>(names[i].size()))
               : disk.PutU16(p, static_cast<std::uint16_t>(names[i].size()));
    disk.PutUtf16(p + 2, names[i]);
    p += 2 + 2 * names[i].size() + 4;  // the next length follows 4 bytes after a name
  }
  const std::size_t end = p - 4 - 1;  // last byte of the last name
  const std::size_t info = end + 0x71;
  disk.Put(info, "ZVL").PutU64(info + 0x18, rootBlock);
  const std::size_t length = info + 608 - at;
  disk.PutU16(at, static_cast<std::uint16_t>(length));
  return length;
}

// A file or folder record in form 1, with one name (code 23) under parent; a file when size is
// not 0, its data in one extent at block `start`. Returns the record's length.
inline std::size_t PutEntryRecord(Bytes& disk, std::size_t at, std::uint64_t key,
                                  std::uint64_t parent, std::u16string_view name,
                                  std::uint64_t size = 0, std::uint32_t start = 1) {
  constexpr std::size_t names =
      0x64;  // a folder, or a layout-B file whose further-extent list is empty
  const std::size_t length = (names + 15 + 6 + 2 * name.size() + 1) & ~std::size_t{1};
  disk.PutU16(at, static_cast<std::uint16_t>(length))
      .Put(at + 2, "ND")
      .PutU64(at + 8, key)
      .PutU64(at + 0x18, size);
  disk.PutU32(at + 0x58, size == 0 ? 0 : static_cast<std::uint32_t>((size + 4095) / 4096))
      .PutU32(at + 0x5C, start);
  disk.PutU8(at + names, 1).PutU64(at + names + 7, parent);
  const std::size_t p = at + names + 15;
  disk.PutU16(p, 23).PutU8(p + 4, static_cast<std::uint8_t>(name.size())).PutUtf16(p + 6, name);
  return length;
}

// A layout-B tree block at pool block n with the given link; returns the record area's offset.
inline std::size_t PutTreeBlock(Bytes& disk, std::int64_t poolBase, std::uint64_t n,
                                std::uint32_t link) {
  const std::size_t at = BlockAt(poolBase, n);
  disk.Put(at, "LEAF").PutU32(at + 0x20, link);
  return at + 0x28;
}

}  // namespace kestrel::test
