// SPDX-License-Identifier: Apache-2.0
// Feeds the input as the leaf blocks of a volume (after the first block's "LEAF") to the volume
// scan: the block walk, its bounds, the chain with its links and re-mapping, and the filing of what
// it decodes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/LogReport.h"
#include "disk/MemorySource.h"
#include "volume/VolumeScanner.h"

using namespace kestrel;

namespace {

constexpr std::int64_t kPoolBase = 0x5000;  // the pool's header at sector 0
constexpr std::size_t kFirstLeaf = 3;       // blocks 1 and 2: super block and root block

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> disk(kPoolBase + 2 * 4096, 0);
  disk[kPoolBase + 4096 + 0x20] = kFirstLeaf;  // the root block names the first leaf block
  const char mark[] = "LEAF";  // the first leaf block always is one; what follows is the input
  disk.insert(disk.end(), mark, mark + 4);
  disk.insert(disk.end(), data, data + size);
  disk.resize((disk.size() + 4095) / 4096 * 4096);  // whole blocks: a short block is a read error
  const volume::VolumeScanSource source{
      disk::DiskReader(std::make_shared<disk::MemorySource>(std::move(disk))),
      kPoolBase,
      2,
      1 << 16,
      {{0, 0x100}, {0x100, 0}},
      u"FUZZ",
      "memory"};
  volume::FileTree tree = volume::NewVolumeTree(u"FUZZ");
  app::NoProgress progress;
  volume::ScanVolume(source, tree, progress, {}, app::LogReport("/dev/null"));
  return 0;
}
