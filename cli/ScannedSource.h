// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stop_token>

#include "SourceOptions.h"
#include "app/LogReport.h"
#include "app/Result.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::cli {

// A volume (or, with --pool-scan, a pool) the options name, scanned or loaded from a saved scan:
// its tree, the source and block base its data are read from, and how a saved scan names it.
struct ScannedSource {
  ScannedSource(volume::FileTree scannedTree, disk::DiskReader reader, std::int64_t base = 0)
      : tree(std::move(scannedTree)), source(std::move(reader)), poolBase(base) {}

  volume::FileTree tree;
  disk::DiskReader source;
  std::int64_t poolBase = 0;
  volume::ScanOutcome outcome = volume::ScanOutcome::Completed;
  std::uint64_t unreadSectors = 0;  // a pool scan's sectors that could not be read
  savedscan::ScanKind kind = savedscan::ScanKind::Volume;
  savedscan::SourceDescription description;
};

// Whether a command reads the files' data, or only lists the tree.
enum class SourceUse { ListsOnly, ReadsData };

// Resolves and scans (or loads --scan-file), showing progress on a terminal. A saved scan whose
// source cannot be read, or does not hold the scanned pool, fails a command that reads data;
// for one that only lists, it is said on standard error.
app::Result<ScannedSource> ScanChosenSource(const SourceOptions& options, SourceUse use,
                                            std::stop_token stop, const app::LogReport& log);

// Says on standard error what an incomplete scan means, also one that could not read every
// sector; returns the exit status it calls for.
int ReportScanOutcome(const ScannedSource& scanned);

// Says on standard error that sectors could not be read, so what a scan found is incomplete;
// returns the exit status that calls for (success when there were none).
int ReportUnreadSectors(std::uint64_t sectors);

}  // namespace kestrel::cli
