#include "ScannedVolume.h"

#include "Command.h"
#include "ProgressLine.h"
#include "app/TextEncoding.h"

namespace kestrel::cli {

app::Result<ScannedVolume> ScanChosenVolume(const SourceOptions& options, std::stop_token stop,
                                            const app::LogReport& log) {
  auto source = ResolveVolume(options, log);
  if (!source.ok()) return app::Failure{source.error()};
  const volume::VolumeScanSource& chosen = source.value();
  ScannedVolume scanned{volume::NewVolumeTree(chosen.volumeName), chosen.reader, chosen.poolBase};
  ProgressLine progress("Scanning " + app::ToUtf8(chosen.volumeName));
  scanned.outcome = volume::ScanVolume(chosen, scanned.tree, progress, std::move(stop), log);
  return scanned;
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
