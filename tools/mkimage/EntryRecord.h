// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "ByteBuffer.h"
#include "Layout.h"
#include "NameSection.h"
#include "Status.h"

namespace kestrel::mkimage {

// A run of data blocks of a file: `blocks` blocks from pool block `start`.
struct Extent {
  std::uint32_t blocks = 0;
  std::uint32_t start = 0;
};

// A file or folder record of a volume leaf block.
struct EntryRecordLayout {
  BlockLayout layout = BlockLayout::B;
  std::uint64_t key = 0;
  std::uint64_t size = 0;
  std::vector<Extent> extents;  // empty for folders, empty files and skipped records
  bool skip = false;            // first extent starts at block 0: scanners step over the record
  NameSectionLayout names;
};

// The record's bytes; its length (at 0) covers the whole name section and is even.
Result<ByteBuffer> EncodeEntryRecord(const EntryRecordLayout& wanted);

// The extent pairs as the record stores them: each block value is the running total of the
// file's blocks up to and including that extent.
std::vector<Extent> StoredExtentPairs(const std::vector<Extent>& extents);

}  // namespace kestrel::mkimage
