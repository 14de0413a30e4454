// SPDX-License-Identifier: Apache-2.0
// Feeds the input as a disk image to the disk scan: the search for partition headers at every
// sector, the chain of what it finds, and the pools and volumes behind each header.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/MemorySource.h"
#include "diskscan/DiskScanner.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const disk::DiskReader reader(
      std::make_shared<disk::MemorySource>(std::vector<std::uint8_t>(data, data + size)));
  app::NoProgress progress;
  diskscan::ScanDisk(reader, "memory", progress, {});
  return 0;
}
