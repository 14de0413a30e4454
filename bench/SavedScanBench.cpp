// SPDX-License-Identifier: Apache-2.0
// Times, in one process, the volume scan of an image, the saving of its scan information file and
// the loading (reading and replay) of that file. Usage: saved_scan_bench IMAGE SCANFILE
#include <chrono>
#include <cstdio>

#include "BenchSource.h"
#include "savedscan/Replay.h"
#include "savedscan/ScanFileWriter.h"

using namespace kestrel;
using bench::SecondsSince;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: saved_scan_bench IMAGE SCANFILE\n");
    return 2;
  }
  const app::LogReport log("/dev/null");
  const auto source = bench::FirstVolume(argv[1]);
  if (!source) return 1;
  app::NoProgress quiet;

  auto start = std::chrono::steady_clock::now();
  volume::FileTree tree = volume::NewVolumeTree(u"BIG");
  volume::ScanVolume(*source, tree, quiet, {}, log);
  const double scan = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  const auto written = savedscan::WriteScanFile(tree, savedscan::ScanKind::Volume,
                                                {"Volume:BIG", argv[1], 0}, argv[2]);
  const double save = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  const auto saved = savedscan::ReadScanFile(argv[2], log);
  const savedscan::ReplayedScan replayed = savedscan::ReplaySavedScan(saved.value(), quiet);
  const double load = SecondsSince(start);

  if (!written.ok() || replayed.tree.counters.fileCount != tree.counters.fileCount) return 1;
  std::printf(
      "%u files: scan %.2f s, save %.2f s (%.2f of the scan), load %.2f s (%.2f of the scan)\n",
      tree.counters.fileCount, scan, save, save / scan, load, load / scan);
  return save <= scan && load <= scan ? 0 : 1;
}
