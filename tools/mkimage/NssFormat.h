// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Offsets, sizes and signatures of every NSS structure that the image builder writes. Offsets are
// bytes from the start of the structure named by the namespace; all integers are little-endian.
namespace kestrel::mkimage::nss {

using namespace std::string_view_literals;

inline constexpr std::size_t kSectorSize = 512;        // bytes per disk sector
inline constexpr std::size_t kBlockSize = 4096;        // bytes per pool block
inline constexpr std::uint32_t kNoBlock = 0x80000000;  // link value that ends every block chain
inline constexpr std::uint64_t kDeletedKey = ~std::uint64_t{0};  // key of a deleted entry
inline constexpr std::uint64_t kTopFolderKey = 127;              // key of a volume's top folder

namespace boot {
inline constexpr auto kSignature = "\xEB\x71\x90GMBR\0"sv;  // NetWare boot sector mark at 0
inline constexpr std::size_t kFirstHeaderSector = 0x1D6;    // u32 sector of the first header
inline constexpr std::size_t kMbrMark = 0x1FE;              // the bytes 55 AA that end every MBR
inline constexpr auto kMbrMarkBytes = "\x55\xAA"sv;         // value at kMbrMark
}  // namespace boot

namespace partition {
inline constexpr auto kSignature = "\x01Nw_PaRtItIoN"sv;  // PartitionHeader mark at 0
inline constexpr std::size_t kContinuation = 0x10;        // u32 continuation flag
inline constexpr std::size_t kSizeSectors = 0x14;         // u32 partition extent from this header
inline constexpr std::size_t kLink = 0xBC;          // u32 sector of the next header, 0 for the last
inline constexpr std::size_t kPoolLabel = 0x3A00;   // byte offset of the PoolLabel
inline constexpr std::size_t kSuperBlock = 0x5000;  // byte offset of the super block = poolBase
inline constexpr std::uint32_t kGroupHeaderSector = 5;  // group header sectors after the header
inline constexpr std::uint32_t kGroupLabelSector = 34;  // group label sectors after the header
inline constexpr std::size_t kPoolStructuresEnd = kSuperBlock + kBlockSize;  // end of block 1
inline constexpr std::uint32_t kGroupStructuresEnd = kGroupLabelSector + 1;  // sectors, segment
}  // namespace partition

namespace pool_label {
inline constexpr std::size_t kSectorCount = 0x20;  // u64 pool size in sectors
inline constexpr std::size_t kName = 0x28;         // pool name, UTF-16LE, zero-terminated
}  // namespace pool_label

namespace super_block {
inline constexpr auto kSignature = "SPB5"sv;       // PoolSuperBlock mark at 0
inline constexpr std::size_t kAnchorBlock = 0xBC;  // u64 block of the VolumeDirectoryAnchor
inline constexpr std::size_t kName = 0xCC;         // pool name, UTF-16LE, zero-terminated
inline constexpr std::size_t kMaxNameUnits = (kSectorSize - kName) / 2 - 1;  // fits the sector
}  // namespace super_block

namespace anchor {
inline constexpr std::size_t kFirstDirectoryBlock = 0x20;  // u32 first directory TreeBlock
}  // namespace anchor

namespace volume_root {
inline constexpr std::size_t kFirstLeafBlock = 0x20;  // u32 first leaf TreeBlock of the volume
}  // namespace volume_root

namespace group {
inline constexpr auto kSignature = "\0GrOuPPaRtItIoN\0"sv;  // group header mark at 0
inline constexpr std::size_t kLink = 0xBC;  // u32 sector of the next group header, 0 for none
}  // namespace group

namespace tree_block {
inline constexpr auto kSignature = "LEAF"sv;            // TreeBlock mark at 0
inline constexpr std::size_t kVolumeId = 0x10;          // u64 owning volume, 0 in directory blocks
inline constexpr std::size_t kLinkA = 0x18;             // u32 next block of the chain, layout A
inline constexpr std::size_t kRecordAreaA = 0x30;       // first record, layout A
inline constexpr std::size_t kLinkB = 0x20;             // u32 next block of the chain, layout B
inline constexpr std::size_t kRecordAreaB = 0x28;       // first record, layout B
inline constexpr std::size_t kLayoutMark = 0x32;        // "ND" here makes a block layout A
inline constexpr std::size_t kRecordStartLimit = 3600;  // records start below this (from R)
}  // namespace tree_block

namespace record {
inline constexpr std::size_t kLength = 0x00;      // u16 record length
inline constexpr std::size_t kMark = 0x02;        // "ND"
inline constexpr auto kMarkText = "ND"sv;         // value at kMark
inline constexpr std::size_t kVolumeMark = 0x04;  // "3" in a volume record, 0 elsewhere
inline constexpr char kVolumeMarkChar = '3';      // value at kVolumeMark
inline constexpr std::size_t kKey = 0x08;         // u64 key of the entry
inline constexpr std::size_t kSize = 0x18;        // u64 size in bytes, 0 for a folder
inline constexpr std::size_t kExtentList = 0x58;  // u32 first extent's blocks, u32 start block
inline constexpr std::size_t kFirstExtentStart = 0x5C;       // u32 start block; 0 = skipped record
inline constexpr std::size_t kFurtherExtentsB = 0x60;        // further extent pairs, layout B
inline constexpr std::size_t kExtentPairSize = 8;            // u32 block value + u32 start block
inline constexpr std::size_t kExtentTerminatorToNames = 12;  // layout A: names after the zero
inline constexpr std::size_t kNameSectionB = 0x64;           // name section with no further extents
inline constexpr std::size_t kSkipTrailer = 42;    // zeros a scanner steps over after a skip
inline constexpr std::size_t kRecordKind = 0x69;   // u16 record kind (1 or 2 for volumes)
inline constexpr std::size_t kParentKey = 0x70;    // u64 parent key of a directory record
inline constexpr std::size_t kNameSpaceId = 0x78;  // u16 name-space id, then the name block
}  // namespace record

namespace name_block {
inline constexpr std::uint16_t kOneName = 23;         // name-space id of a single name
inline constexpr std::uint16_t kTwoNames = 22;        // name-space id of two names
inline constexpr std::uint16_t kThreeNames = 20;      // name-space id of three names
inline constexpr std::size_t kLength1 = 4;            // first length (u16; u8 in entries)
inline constexpr std::size_t kUnits1 = 6;             // first name's units
inline constexpr std::size_t kPart2Gap = 10;          // P2 = start + kPart2Gap + 2 * L1
inline constexpr std::size_t kPart3Gap = 6;           // P3 = P2 + kPart3Gap + 2 * L2
inline constexpr std::size_t kPartUnits = 2;          // units of parts 2 and 3 after their length
inline constexpr std::size_t kMaxUnits = 255;         // longest part that an 8-bit length holds
inline constexpr std::size_t kZeroLengthUnits = 259;  // room a zero-length part stands for
inline constexpr std::uint16_t kOverlongLength16 = 0xFFFF;  // 16-bit length read as zero-ended
}  // namespace name_block

namespace name_section {
inline constexpr std::uint16_t kForm1 = 1;                 // u24 at T for form 1 (its third byte 0)
inline constexpr std::uint16_t kForm2 = 2;                 // u16 at T for form 2
inline constexpr std::size_t kParentKey = 7;               // u64 parent key, forms 1 and 2
inline constexpr std::size_t kFirstEntry = 15;             // first name entry, forms 1 and 2
inline constexpr std::uint16_t kCodeParentOverride = 127;  // entry carrying its own parent key
inline constexpr std::uint16_t kCodeOneName = 128;         // a second one-name entry code
inline constexpr std::size_t kOverrideNameBlock = 8;       // code 127: id-23 name block here
inline constexpr std::size_t kCodeWidth = 3;               // bytes a code test reads (u24)

// Second-stage candidates, tried in this order from Q.
struct Candidate {
  std::size_t parentKey;     // u64 parent key, from Q
  std::size_t entry;         // name entry, from Q
  bool overrideAtNameBlock;  // code 127 keeps its parent at P+8 (else at P)
};
inline constexpr Candidate kCandidates[] = {
    {12, 20, true}, {12, 40, false}, {28, 36, false}, {28, 56, false}};
}  // namespace name_section

namespace volume_info {
inline constexpr std::size_t kSize = 608;                 // bytes of a VolumeInfo
inline constexpr auto kMark = "ZVL"sv;                    // mark at 0
inline constexpr std::size_t kRootBlock = 0x18;           // u64 root block of the volume
inline constexpr std::size_t kVolumeId = 0x20;            // u64 volume id (pool scan)
inline constexpr std::size_t kDirectoryA = 0x71;          // after E, layout A
inline constexpr std::size_t kDirectoryKind1Mark = 0x71;  // after E, layout B kind 1, "ZVL"
inline constexpr std::size_t kDirectoryKind1 = 0x76;      // after E, layout B kind 1, no "ZVL"
inline constexpr std::size_t kDirectoryKind2Mark = 0x6C;  // after E, layout B kind 2, "ZVL"
inline constexpr std::size_t kDirectoryKind2 = 0x71;      // after E, layout B kind 2, no "ZVL"
inline constexpr std::size_t kPoolScanMark = 113;         // after E, pool scan, "ZVL" there
inline constexpr std::size_t kPoolScanA = 97;             // after E, pool scan, layout A, no "ZVL"
inline constexpr std::size_t kPoolScanB = 112;            // after E, pool scan, layout B, no "ZVL"
}  // namespace volume_info

}  // namespace kestrel::mkimage::nss
