// SPDX-License-Identifier: Apache-2.0
// Feeds the input as a pool image to the pool scan: the window walk over every 512-byte position,
// the tree blocks it meets, the volume records and their filing.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/LogReport.h"
#include "disk/MemorySource.h"
#include "pool/PoolScanner.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const disk::DiskReader reader(
      std::make_shared<disk::MemorySource>(std::vector<std::uint8_t>(data, data + size)));
  volume::FileTree tree = volume::NewVolumeTree(u"pool");
  app::NoProgress progress;
  pool::ScanPool(pool::PoolImage(reader, u"FUZZ", "memory"), tree, progress, {},
                 app::LogReport("/dev/null"));
  return 0;
}
