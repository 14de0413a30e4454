// SPDX-License-Identifier: Apache-2.0
// Feeds one tree block (and its first sector as every sector structure) through the decoders.
#include <cstddef>
#include <cstdint>

#include "disk/NameBlock.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "disk/VolumeInfo.h"

using namespace kestrel::disk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView bytes(data, size);
  volatile std::uint64_t sink = FirstPartitionHeaderSector(bytes) +
                                NextPartitionHeaderSector(bytes) + PoolName(bytes).size() +
                                VolumeDirectoryAnchorBlock(bytes) + IsNetWareBootSector(bytes) +
                                IsPoolSuperBlock(bytes);
  const BlockLayout blockLayout = TreeBlockLayout(bytes).layout;
  sink = sink + TreeBlockLink(bytes);
  ForEachRecord(bytes, [&](ByteView area, std::size_t h) {
    const NameBlock names = ReadNameBlock(area, h + layout::kRecordNameSpace);
    const auto kind = ReadU16(area, h + layout::kRecordKind);
    const VolumeInfo info =
        CopyVolumeInfo(area, LocateVolumeInfo(area, names.end, blockLayout, kind));
    sink = sink + VolumeRootBlock(info) + JoinNames(names.names).size();
  });
  return 0;
}
