// SPDX-License-Identifier: Apache-2.0
#include "ScannedSource.h"

#include "Command.h"
#include "ProgressLine.h"
#include "app/TextEncoding.h"
#include "disk/DriveName.h"
#include "pool/PoolTree.h"
#include "savedscan/Replay.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::cli {
namespace {

app::Result<ScannedSource> ScanVolume(const SourceOptions& options, std::stop_token stop,
                                      const app::LogReport& log) {
  auto source = ResolveVolume(options, stop, log);
  if (!source.ok()) return app::Failure{source.error()};
  const volume::VolumeScanSource& chosen = source.value();
  ScannedSource scanned(volume::NewVolumeTree(chosen.volumeName), chosen.reader, chosen.poolBase);
  scanned.description = {"Volume:" + app::ToUtf8(chosen.volumeName), chosen.sourcePath,
                         static_cast<std::uint64_t>(chosen.poolBase)};
  ProgressLine progress("Scanning " + app::ToUtf8(chosen.volumeName));
  scanned.outcome = volume::ScanVolume(chosen, scanned.tree, progress, std::move(stop), log);
  return scanned;
}

// The files a pool scan finds are read relative to the first super block it met. A saved pool
// scan of a pool image names its source "Pool".
app::Result<ScannedSource> ScanPool(const SourceOptions& options, std::stop_token stop,
                                    const app::LogReport& log) {
  auto source = ResolvePool(options, stop, log);
  if (!source.ok()) return app::Failure{source.error()};
  const pool::PoolScanSource& chosen = source.value();
  ScannedSource scanned(pool::NewPoolTree(), chosen.reader);
  ProgressLine progress("Scanning " + app::ToUtf8(chosen.label));
  const pool::PoolScanResult result =
      pool::ScanPool(chosen, scanned.tree, progress, std::move(stop), log);
  scanned.poolBase = result.dataBase;
  if (!result.superBlockOffset) PrintError(pool::NoSuperBlockText(result.dataBase));
  scanned.outcome = result.outcome;
  scanned.unreadSectors = result.zeroedSectors;
  scanned.kind = savedscan::ScanKind::Pool;
  scanned.description = savedscan::DescribePoolScan(chosen, scanned.poolBase);
  return scanned;
}

// A saved scan replayed; its data come from --disk or --image when given, else from the source
// the file names. Without its source a saved scan can still be listed, but a command that reads
// its data is refused: it would take zeros for the files.
app::Result<ScannedSource> LoadScan(const SourceOptions& options, SourceUse use,
                                    std::stop_token stop, const app::LogReport& log) {
  auto saved = savedscan::ReadScanFile(*options.scanFile, log);
  if (!saved.ok()) return app::Failure{saved.error()};
  ProgressLine progress("Loading " + *options.scanFile);
  savedscan::ReplayedScan replayed =
      savedscan::ReplaySavedScan(saved.value(), progress, std::move(stop));
  std::string path = replayed.sourcePath.value_or("");
  if (options.image) path = *options.image;
  if (options.disk) path = disk::PhysicalDriveName(*options.disk);
  savedscan::SavedScanSource source = savedscan::OpenSavedScanSource(replayed, path);
  if (source.problem) {
    const std::string reason = *source.problem + "; name it with --disk or --image";
    if (use == SourceUse::ReadsData) return app::Failure{reason};
    PrintError(reason);
  }
  savedscan::RestoreVolumeMarks(replayed, source.reader);
  ScannedSource scanned(std::move(replayed.tree), source.reader, replayed.poolBase);
  scanned.kind = replayed.poolScan ? savedscan::ScanKind::Pool : savedscan::ScanKind::Volume;
  if (replayed.stopped) scanned.outcome = volume::ScanOutcome::Stopped;
  scanned.description = {replayed.displayName, path, static_cast<std::uint64_t>(replayed.poolBase)};
  return scanned;
}

}  // namespace

app::Result<ScannedSource> ScanChosenSource(const SourceOptions& options, SourceUse use,
                                            std::stop_token stop, const app::LogReport& log) {
  if (options.scanFile) return LoadScan(options, use, std::move(stop), log);
  return options.poolScan ? ScanPool(options, std::move(stop), log)
                          : ScanVolume(options, std::move(stop), log);
}

int ReportScanOutcome(const ScannedSource& scanned) {
  switch (scanned.outcome) {
    case volume::ScanOutcome::Completed:
      return ReportUnreadSectors(scanned.unreadSectors);
    case volume::ScanOutcome::EndedEarly:
    case volume::ScanOutcome::Unreadable:
      PrintError(std::string(volume::ScanShortfallText(scanned.outcome)));
      return kFailure;
    case volume::ScanOutcome::Stopped:
      PrintError("stopped; only the entries found so far were used");
      return kFailure;
  }
  return kFailure;
}

int ReportUnreadSectors(std::uint64_t sectors) {
  if (sectors == 0) return kSuccess;
  PrintError(disk::IncompleteScanText(sectors));
  return kFailure;
}

}  // namespace kestrel::cli
