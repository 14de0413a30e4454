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
  savedscan::ScanKind kind = savedscan::ScanKind::Volume;
  savedscan::SourceDescription description;
};

// Resolves and scans (or loads --scan-file), showing progress on a terminal.
app::Result<ScannedSource> ScanChosenSource(const SourceOptions& options, std::stop_token stop,
                                            const app::LogReport& log);

// Says on standard error what an incomplete scan means; returns the exit status it calls for.
int ReportScanOutcome(volume::ScanOutcome outcome);

}  // namespace kestrel::cli
