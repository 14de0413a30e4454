// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Offsets, sizes and signatures of the NSS on-disk structures. Offsets are from the start of the
// structure named; every integer on disk is little-endian and every name UTF-16LE.
namespace kestrel::disk::layout {

inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kBlockSize = 4096;
inline constexpr std::size_t kScanWindowSize = 1024 * 1024;  // large reads of the scanners

// Boot sector (sector 0 of a disk).
inline constexpr std::string_view kBootSignature{"\xEB\x71\x90GMBR\0",
                                                 8};  // jump, no-op, "GMBR", 0
inline constexpr std::size_t kBootFirstHeaderSector =
    0x1D6;  // u32 start sector of partition entry 2

// PartitionHeader: one sector opening a NetWare partition.
inline constexpr std::string_view kPartitionSignature{"\x01Nw_PaRtItIoN", 13};
inline constexpr std::size_t kHeaderContinuation =
    0x10;                                           // u32 tested by the volume scan's re-mapping
inline constexpr std::size_t kHeaderExtent = 0x14;  // u32 partition size in sectors
inline constexpr std::size_t kHeaderLink = 0xBC;    // u32 sector of the next header, 0 = last

// Sectors that follow a PartitionHeader, as byte offsets from it.
inline constexpr std::int64_t kPoolLabelOffset = 0x3A00;       // 29 sectors after the header
inline constexpr std::int64_t kPoolSuperBlockOffset = 0x5000;  // 40 sectors after: the poolBase

// PoolLabel.
inline constexpr std::size_t kLabelSectorCount = 0x20;  // u64 pool size in sectors
inline constexpr std::size_t kLabelName = 0x28;         // zero-terminated UTF-16 pool name
inline constexpr std::size_t kLabelNameMaxUnits = 0x1D8 / 2;

// PoolSuperBlock.
inline constexpr std::string_view kSuperBlockSignature{"SPB5"};
inline constexpr std::size_t kSuperBlockAnchor = 0xBC;  // u64 block of the VolumeDirectoryAnchor

// VolumeDirectoryAnchor, and the volume root block, which has the same link.
inline constexpr std::size_t kAnchorFirstBlock = 0x20;  // u32 first tree block of the chain

// A 32-bit block link with this value ends a chain of tree blocks.
inline constexpr std::uint32_t kNoBlock = 0x80000000;

// TreeBlock.
inline constexpr std::string_view kTreeBlockSignature{"LEAF"};
inline constexpr std::size_t kTreeBlockVolumeId = 0x10;  // u64 id of the volume owning the block
inline constexpr std::size_t kLayoutMarkOffset = 0x32;   // "ND" here: layout A
inline constexpr std::string_view kRecordMark{"ND"};
inline constexpr std::size_t kLayoutALink = 0x18;
inline constexpr std::size_t kLayoutARecords = 0x30;
inline constexpr std::size_t kLayoutBLink = 0x20;
inline constexpr std::size_t kLayoutBRecords = 0x28;
inline constexpr std::size_t kDirectoryWalkBound = 3600;  // records start below this offset

// TreeRecord.
inline constexpr std::size_t kRecordLength = 0x00;      // u16
inline constexpr std::size_t kRecordMarkOffset = 0x02;  // "ND"
inline constexpr std::size_t kRecordKey = 0x08;         // u64 the object's own key
inline constexpr std::size_t kRecordKind = 0x69;        // u16; 1 and 2 are named object records
inline constexpr std::size_t kRecordNameSpace = 0x78;   // u16 name-space id of the name block

// Name blocks, from the name-space id N.
inline constexpr std::uint16_t kNameSpaceOneName = 23;
inline constexpr std::uint16_t kNameSpaceTwoNames = 22;
inline constexpr std::uint16_t kNameSpaceThreeNames = 20;
inline constexpr std::size_t kMaxNameUnits = 259;

// VolumeInfo, placed after the name block of a volume record.
inline constexpr std::size_t kVolumeInfoSize = 608;
inline constexpr std::string_view kVolumeInfoMark{"ZVL"};
inline constexpr std::size_t kVolumeInfoRootBlock = 0x18;  // u64 first block of the volume scan
inline constexpr std::size_t kVolumeInfoVolumeId = 0x20;   // u64 id carried by the volume's blocks

}  // namespace kestrel::disk::layout
