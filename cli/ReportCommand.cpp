// `report`: the inventory an examiner makes before deciding what to recover. Every file of the
// scanned volume or pool with where its bytes lie on the source and, with a map of unread areas,
// the bytes of it never read, as report.json, report.dfxml and report.html in a folder.
#include <ctime>
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "MapOptions.h"
#include "ScannedSource.h"
#include "app/AboutFacts.h"
#include "app/DateStamp.h"
#include "destination/SourceOverlap.h"
#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "report/Report.h"

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
    const report::Report report = Describe(scanned.value(), unread.value(), started);
    if (auto failed = Write(report)) return Fail(*failed);
    std::cout << "Report of " << report.files.size() << " files written to " << folder_ << '\n';
    return ReportScanOutcome(scanned.value());
  }

 private:
  report::Report Describe(const ScannedSource& scanned, const std::optional<LoadedMap>& map,
                          std::time_t started) const {
    const app::SystemFacts system = app::ReadSystemFacts();
    report::Report report;
    report.program = "kestrel-nss-cli";
    report.version = app::MakeAboutFacts(system).version;
    report.command = commandLine_;
    report.started = app::IsoUtcStamp(started);
    report.machine = system.computerName + " (" + system.systemName + ")";
    const std::string path = scanned.description.sourcePath;
    const bool disk = disk::PhysicalDriveNumber(path).has_value();
    report.source = {
        path, disk ? "disk" : std::string(disk::ContainerKey(disk::OpenSource(path).container)),
        static_cast<std::uint64_t>(scanned.source.Size()), map ? map->path : ""};
    report.scanned = scanned.description.displayName;
    report.scanKind = source_.scanFile ? "saved scan" : source_.poolScan ? "pool" : "volume";
    report.files = report::FilesOf(scanned.tree, scanned.poolBase, map ? &map->areas : nullptr);
    report.ended = app::IsoUtcStamp(std::time(nullptr));
    return report;
  }

  std::optional<std::string> Write(const report::Report& report) const {
    std::string error;
    if (!platform::CreateFolders(folder_, error)) return folder_ + ": " + error;
    const std::pair<const char*, std::string> files[] = {
        {"report.json", report::ReportJson(report)},
        {"report.dfxml", report::ReportDfxml(report)},
        {"report.html", report::ReportHtml(report)}};
    for (const auto& [name, text] : files) {
      if (auto failed = platform::ReplaceFileAtomically(folder_ + "/" + name, text)) return failed;
    }
    return std::nullopt;
  }

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
