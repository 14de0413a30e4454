#include "ScannedSource.h"

#include "Command.h"
#include "ProgressLine.h"
#include "app/TextEncoding.h"
#include "pool/PoolTree.h"

namespace kestrel::cli {
namespace {

app::Result<ScannedSource> ScanVolume(const SourceOptions& options, std::stop_token stop,
                                      const app::LogReport& log) {
  auto source = ResolveVolume(options, stop, log);
  if (!source.ok()) return app::Failure{source.error()};
  const volume::VolumeScanSource& chosen = source.value();
  ScannedSource scanned{volume::NewVolumeTree(chosen.volumeName), chosen.reader, chosen.poolBase};
  ProgressLine progress("Scanning " + app::ToUtf8(chosen.volumeName));
  scanned.outcome = volume::ScanVolume(chosen, scanned.tree, progress, std::move(stop), log);
  return scanned;
}

// The files a pool scan finds are read relative to the first super block it met.
app::Result<ScannedSource> ScanPool(const SourceOptions& options, std::stop_token stop,
                                    const app::LogReport& log) {
  auto source = ResolvePool(options, stop, log);
  if (!source.ok()) return app::Failure{source.error()};
  ScannedSource scanned{pool::NewPoolTree(), source.value().reader};
  ProgressLine progress("Scanning " + app::ToUtf8(source.value().label));
  const pool::PoolScanResult result =
      pool::ScanPool(source.value(), scanned.tree, progress, std::move(stop), log);
  scanned.poolBase = result.superBlockOffset.value_or(0);
  scanned.outcome = result.outcome;
  return scanned;
}

}  // namespace

app::Result<ScannedSource> ScanChosenSource(const SourceOptions& options, std::stop_token stop,
                                            const app::LogReport& log) {
  return options.poolScan ? ScanPool(options, std::move(stop), log)
                          : ScanVolume(options, std::move(stop), log);
}

int ReportScanOutcome(volume::ScanOutcome outcome) {
  switch (outcome) {
    case volume::ScanOutcome::Completed:
      return kSuccess;
    case volume::ScanOutcome::EndedEarly:
      PrintError(
          "the chain of tree blocks leads into a block that is not a tree block; what follows it "
          "was not read");
      return kFailure;
    case volume::ScanOutcome::Stopped:
      PrintError("stopped; only the entries found so far were used");
      return kFailure;
  }
  return kFailure;
}

}  // namespace kestrel::cli
