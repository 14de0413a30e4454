// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/ByteReader.h"
#include "disk/NssLayout.h"
#include "disk/TreeBlock.h"
#include "volume/FileTree.h"

namespace kestrel::volume {

// File and folder records of a tree block: offsets from the record's start.
namespace record {
inline constexpr std::size_t kLength = 0x00;       // u16; the next record starts this far on
inline constexpr std::size_t kVolumeMark = 0x04;   // "3" marks a volume record
inline constexpr std::size_t kKey = 0x08;          // u64; all ones: invalid or deleted
inline constexpr std::size_t kSize = 0x18;         // u64; 0 makes a folder
inline constexpr std::size_t kFirstExtent = 0x58;  // u32 block count, u32 start block
inline constexpr std::size_t kFirstStart = 0x5C;   // 0: a record the scanners skip
inline constexpr std::size_t kFurtherExtentsB = 0x60;
inline constexpr std::size_t kFolderNames = 0x64;  // name section of a folder
inline constexpr std::size_t kSkipDistance =
    42;  // a skipped record is left this far past its length
}  // namespace record

struct RecordDecoding {
  std::size_t next = 0;               // offset of the next record in the record area
  std::vector<DecodedEntry> entries;  // none, one, or two for a form-2 record
};

// Decodes the file or folder record at offset h of a tree block's record area. The name section
// comes in three forms: form 1 (one entry after a parent key), form 2 (an entry after a parent
// key, then a second stage), or neither (only the second stage), whose four candidate positions
// are tried in order until one holds a known entry code (23, 22, 20, 128, 127). parentKey is the
// scanner's current parent key: each entry decoded sets it and is filed with it.
RecordDecoding DecodeRecord(disk::ByteView area, std::size_t h, disk::BlockLayout layout,
                            std::uint64_t& parentKey);

// Where a block walk goes on after the record at h that decoded to next. A record of length 0
// decodes to itself; the walk then goes on from its mark, so that no position is read twice and
// the records after it are still found.
inline std::size_t StepPast(std::size_t h, std::size_t next) { return next == h ? h + 2 : next; }

// What one tree block may yield. The records of a sound block never overlap, and each holds at
// least its fixed fields, its extent list and its name units, so these add up to no more than the
// block. Records crafted to share their bytes (say, hundreds of extent lists running on to one
// terminator) are cut off once the block's bytes are spent, which keeps the records stored for a
// block in proportion to its size.
class BlockBudget {
 public:
  // False once the decoding claims more bytes than are left: its entries are not to be filed,
  // and the walk of the block ends.
  bool Spend(const RecordDecoding& decoding);

 private:
  std::size_t left_ = disk::layout::kBlockSize;
};

}  // namespace kestrel::volume
