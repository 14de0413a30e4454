// SPDX-License-Identifier: Apache-2.0
// `save-scan`: the scan information file of a volume scan or a pool scan, at exactly the path
// given.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "MaskOptions.h"
#include "ScannedSource.h"
#include "disk/platform/Platform.h"
#include "savedscan/SaveRules.h"

namespace kestrel::cli {
namespace {

class SaveScanCommand : public Command {
 public:
  explicit SaveScanCommand(CLI::App& parser) {
    source_.AddTo(parser);
    mask_.AddTo(parser);
    parser.add_option("--to", path_, "The scan information file to write")->required();
    parser.add_flag("--overwrite", overwrite_, "Replace a file that is already there");
  }

  int Run(const app::LogReport& log) override {
    if (!mask_.Read()) return kUsage;
    if (platform::PathExists(path_) && !overwrite_)
      return Fail(path_ + " exists; choose another path or give --overwrite");
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ListsOnly, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    if (interrupt.interrupted()) return ReportScanOutcome(scanned.value());
    if (auto status = mask_.Apply(scanned.value(), interrupt.token())) return *status;
    log.AppendLogEntry("Started saving the scan information");
    const ScannedSource& scan = scanned.value();
    const auto written = savedscan::WriteScanFile(scan.tree, scan.kind, scan.description, path_);
    if (!written.ok()) return Fail(written.error());
    if (scan.kind == savedscan::ScanKind::Volume) log.AppendLogEntry("Scan information saved");
    std::cout << savedscan::kScanSavedText << ": " << path_ << '\n';
    return ReportScanOutcome(scan);
  }

 private:
  SourceOptions source_;
  MaskOptions mask_;
  std::string path_;
  bool overwrite_ = false;
};

}  // namespace

RegisteredCommand AddSaveScanCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("save-scan", "Writes the scan information file of a scan");
  return {parser, std::make_unique<SaveScanCommand>(*parser)};
}

}  // namespace kestrel::cli
