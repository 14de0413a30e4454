// SPDX-License-Identifier: Apache-2.0
// `report`: the inventory an examiner makes before deciding what to recover. Every file of the
// scanned volume or pool with where its bytes lie on the source and, with a map of unread areas,
// the bytes of it never read, as report.json, report.dfxml and report.html in a folder.
#include <ctime>
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "MapOptions.h"
#include "ReportOutput.h"
#include "ScannedSource.h"
#include "app/DateStamp.h"
#include "destination/SourceOverlap.h"

namespace kestrel::cli {
namespace {

class ReportCommand : public Command {
 public:
  ReportCommand(CLI::App& parser, std::string commandLine) : commandLine_(std::move(commandLine)) {
    source_.AddTo(parser);
    map_.AddTo(parser);
    parser.add_option("--to", folder_, "The folder the report files are written into")->required();
  }

  int Run(const app::LogReport& log) override {
    if (!map_.Read()) return kUsage;
    const std::time_t started = std::time(nullptr);
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ListsOnly, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    if (interrupt.interrupted()) return ReportScanOutcome(scanned.value());
    if (auto refusal =
            destination::RecoveryFolderRefusal(folder_, scanned.value().description.sourcePath))
      return Fail(refusal->message);
    auto unread = map_.Load(scanned.value());
    if (!unread.ok()) return Fail(unread.error());
    report::Report report =
        ReportOf(commandLine_, source_, scanned.value(), unread.value(), started);
    const volume::UnreadAreas* areas = unread.value() ? &unread.value()->areas : nullptr;
    report.files = report::FilesOf(scanned.value().tree, scanned.value().poolBase, areas);
    report.ended = app::IsoUtcStamp(std::time(nullptr));
    if (auto failed = report::WriteReportFiles(report, folder_)) return Fail(*failed);
    std::cout << "Report of " << report.files.size() << " files written to " << folder_ << '\n';
    return ReportScanOutcome(scanned.value());
  }

 private:
  std::string commandLine_;
  SourceOptions source_;
  MapOptions map_;
  std::string folder_;
};

}  // namespace

RegisteredCommand AddReportCommand(CLI::App& app, const std::string& commandLine) {
  CLI::App* parser = app.add_subcommand(
      "report",
      "Writes the inventory of a volume or pool as report.json, report.dfxml and report.html");
  return {parser, std::make_unique<ReportCommand>(*parser, commandLine)};
}

}  // namespace kestrel::cli
