// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "BlockAllocator.h"
#include "EntryRecord.h"
#include "FileContent.h"
#include "PoolSpace.h"
#include "Status.h"

namespace kestrel::mkimage {

// Places file data in pool blocks and writes it.
class DataWriter {
 public:
  DataWriter(PoolSpace& space, BlockAllocator& blocks) : space_(space), blocks_(blocks) {}

  // Splits the data into `extentCount` extents of nearly equal block counts (the longer ones
  // first), with one unused block between neighbours so that no two extents are contiguous.
  Result<std::vector<Extent>> write(const FileContent& content, std::uint32_t extentCount);

 private:
  PoolSpace& space_;
  BlockAllocator& blocks_;
};

}  // namespace kestrel::mkimage
