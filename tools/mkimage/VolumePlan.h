// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BlockAllocator.h"
#include "EntryResolver.h"
#include "Layout.h"

namespace kestrel::mkimage {

// A loose block of a volume: where it lies on the disk and its layout.
struct LoosePlace {
  std::int64_t offset = 0;
  BlockLayout layout = BlockLayout::B;
};

// One volume of a pool with everything decided before its blocks are written.
struct VolumePlan {
  const VolumeLayout* wanted = nullptr;
  std::string label;  // the names joined
  std::uint64_t volumeId = 0;
  std::uint64_t key = 0;
  std::uint32_t rootBlock = 0;
  BlockAllocator* treeBlocks = nullptr;  // where its root and leaf blocks go
  std::vector<LoosePlace> looseBlocks;
  std::vector<std::vector<ResolvedEntry>> groups;  // own entries, then one per loose block
};

}  // namespace kestrel::mkimage
