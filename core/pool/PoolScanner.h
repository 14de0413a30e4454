// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::pool {

// What a pool scan reads: the pool's partition, from its PartitionHeader to its end.
struct PoolScanSource {
  disk::DiskReader reader;
  std::int64_t start = 0;      // the pool's PartitionHeader
  std::int64_t end = 0;        // the end of the pool's partition (exclusive)
  bool followSegments = true;  // a pool image holds no further segments
  std::u16string label;        // as media discovery shows it, for the log
  std::string sourcePath;      // the disk's logical name or the image file, as saved scans name it
};

// A pool on a disk or a disk image: its partition ends at the next partition header, or, for the
// last partition of a chain, after the extent its header gives; never past the source's end.
PoolScanSource PoolOnDisk(const disk::DiskReader& reader, const disk::PoolEntry& pool);
// A pool image begins with the pool's PartitionHeader and is scanned to its end.
PoolScanSource PoolImage(const disk::DiskReader& reader, std::u16string label, std::string path);

struct PoolScanResult {
  volume::ScanOutcome outcome = volume::ScanOutcome::Completed;
  // The first "SPB5" sector met. Absent when there was none.
  std::optional<std::int64_t> superBlockOffset;
  // The base of the blocks of the files found: the first super block met, else (the super block
  // is damaged) where it belongs, 0x5000 after the pool's PartitionHeader.
  std::int64_t dataBase = 0;
  std::uint64_t zeroedSectors = 0;  // sectors that could not be read: what they hold is missing
};

// What the log and the page say when a pool scan met no super block.
std::string NoSuperBlockText(std::int64_t dataBase);

// Reads the whole pool in 1 MiB windows and files the records of every tree block ("LEAF" at a
// 512-byte position) into the tree, volume records as items under "pool". Further segments of a
// pool that spans partitions are scanned after it. Writes the scan's log lines; checks the stop
// token before each window.
PoolScanResult ScanPool(const PoolScanSource& source, volume::FileTree& tree,
                        app::ProgressObserver& observer, std::stop_token stop,
                        const app::LogReport& log);

}  // namespace kestrel::pool
