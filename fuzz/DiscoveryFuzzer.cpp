// SPDX-License-Identifier: Apache-2.0
// Feeds a whole disk image, and the same bytes as a pool image, through media discovery: the
// partition chain, the pool sectors and the volume directory walk.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/LogReport.h"
#include "disk/MediaDiscovery.h"
#include "disk/MemorySource.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const app::LogReport log("/dev/null");
  const disk::DiskReader reader(
      std::make_shared<disk::MemorySource>(std::vector<std::uint8_t>(data, data + size)));
  disk::DiscoverDisk(0, reader, "fuzz", log);
  disk::DiscoverPoolImage(reader, "fuzz");
  return 0;
}
