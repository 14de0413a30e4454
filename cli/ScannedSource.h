#pragma once

#include <stop_token>

#include "SourceOptions.h"
#include "app/LogReport.h"
#include "app/Result.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::cli {

// A volume (or, with --pool-scan, a pool) the options name, scanned: its tree, and the source and
// block base its data are read from.
struct ScannedSource {
  volume::FileTree tree;
  disk::DiskReader source;
  std::int64_t poolBase = 0;
  volume::ScanOutcome outcome = volume::ScanOutcome::Completed;
};

// Resolves and scans, showing progress on a terminal.
app::Result<ScannedSource> ScanChosenSource(const SourceOptions& options, std::stop_token stop,
                                            const app::LogReport& log);

// Says on standard error what an incomplete scan means; returns the exit status it calls for.
int ReportScanOutcome(volume::ScanOutcome outcome);

}  // namespace kestrel::cli
