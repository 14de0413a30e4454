// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

#include "app/Progress.h"
#include "disk/DiskReader.h"
#include "savedscan/ScanFileReader.h"
#include "volume/FileTree.h"

namespace kestrel::savedscan {

struct ReplayedScan {
  volume::FileTree tree;
  std::int64_t poolBase = 0;              // block n of a file lies at poolBase + (n - 1) * 4096
  std::optional<std::string> sourcePath;  // where the data lie; absent when the file does not say
  std::string displayName;
  bool poolScan = false;  // the file keeps a pool scan ("pool", key 128)
  bool stopped = false;   // the replay was stopped: the records filed so far stay
};

// The file keeps a pool scan: its first record is the top item "pool".
bool IsPoolScan(const SavedScan& scan);

// Rebuilds the tree of a saved scan. The first record gives the block-numbering base, the top
// item (its label is the text after the last ":" of the display name before the first comma) and
// the source (the text after the last comma). Every further record is filed as a scan files an
// entry, a file's continuation records with it; then the orphans are placed. A pool scan's records
// keep the pool's rule for empty files with a "." in their names. A stop request ends the replay
// between two entries, as a stopped scan ends: what was filed stays, the orphans are let go.
ReplayedScan ReplaySavedScan(SavedScan scan, app::ProgressObserver& observer,
                             std::stop_token stop = {});

// Whether the source holds what the scan was made of, before any of its data are read: "SPB5" at a
// pool scan's base; for a volume scan (and a pool scan whose super block was damaged) a pool label
// naming a pool 11 sectors before the base. Nothing when it does; else why not.
std::optional<std::string> CheckSavedScanSource(const ReplayedScan& replayed,
                                                const disk::DiskReader& source);

// The source a replayed scan's data are read from. When the path cannot be opened, or does not
// hold the scanned pool, the reader is empty and `problem` says why: nothing may then be read or
// written from the scan, or files at a destination would be replaced with zeros.
struct SavedScanSource {
  disk::DiskReader reader;
  std::optional<std::string> problem;
};
SavedScanSource OpenSavedScanSource(const ReplayedScan& replayed, const std::string& path);

// A pool scan loaded again has its volume items as the top item's children, and they count as no
// folder. The file has no room for the mark of a deleted volume: it is set again from the volume
// directory when the source can be read.
void RestoreVolumeMarks(ReplayedScan& replayed, const disk::DiskReader& source);

}  // namespace kestrel::savedscan
