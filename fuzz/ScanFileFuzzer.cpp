// SPDX-License-Identifier: Apache-2.0
// Feeds a whole scan information file through the reader, the replay and the writer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/MemorySource.h"
#include "savedscan/Replay.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const disk::DiskReader file(
      std::make_shared<disk::MemorySource>(std::vector<std::uint8_t>(data, data + size)));
  app::NoProgress quiet;
  const savedscan::ReplayedScan replayed =
      savedscan::ReplaySavedScan(savedscan::ParseScanRecords(file), quiet);
  const auto kind = replayed.poolScan ? savedscan::ScanKind::Pool : savedscan::ScanKind::Volume;
  volatile std::size_t sink =
      savedscan::EncodeScanFile(replayed.tree, kind, {"Fuzz", "fuzz", 0}).size();
  (void)sink;
  return 0;
}
