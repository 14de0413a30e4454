// SPDX-License-Identifier: Apache-2.0
// `recover`: the selected entries of a volume (all, without --path) into a local folder or onto an
// FTP server.
#include <ctime>
#include <iostream>

#include "Command.h"
#include "FtpOptions.h"
#include "Interrupt.h"
#include "MapOptions.h"
#include "MaskOptions.h"
#include "ProgressLine.h"
#include "ReportOutput.h"
#include "ScannedSource.h"
#include "app/DateStamp.h"
#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "destination/FreeSpace.h"
#include "destination/SourceOverlap.h"
#include "volume/SavingRun.h"
#include "volume/Selection.h"

namespace kestrel::cli {
namespace {

const std::map<std::string, destination::ConflictChoice> kConflictPolicies{
    {"overwrite", destination::ConflictChoice::OverWriteAll},
    {"rename", destination::ConflictChoice::RenameAll},
    {"skip", destination::ConflictChoice::Skip},
};

void PrintList(const char* title, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::cout << title << ": " << lines.size() << '\n';
  for (const auto& line : lines) std::cout << "  " << line << '\n';
}

void PrintSummary(const volume::SavingReport& report, const std::string& folder) {
  std::cout << "Recovered " << report.filesWritten << " files ("
            << app::SizeText(report.bytesWritten) << ") to " << folder << '\n';
  PrintList("Skipped, already at the destination", report.skipped);
  PrintList("Written under a changed name", report.renamed);
  std::vector<std::string> failures;
  for (const auto& problem : report.failed)
    failures.push_back(problem.path + ": " + problem.reason);
  PrintList("Not recovered whole", failures);
  PrintList("Partial files of a recovery cut short, removed", report.removedPartials);
  for (const auto& note : report.notes) std::cout << note << '\n';
  if (report.Complete()) std::cout << "Recovered Successfully\n";
}

class RecoverCommand : public Command {
 public:
  RecoverCommand(CLI::App& parser, std::string commandLine) : commandLine_(std::move(commandLine)) {
    source_.AddTo(parser);
    mask_.AddTo(parser);
    map_.AddTo(parser);
    ftp_.AddTo(parser);
    parser.add_option("--to", folder_, "The folder to recover into (on the server, with --ftp)")
        ->required();
    parser.add_option("--path", paths_, "An entry to recover; a folder brings its whole subtree");
    auto* include =
        parser.add_option("--include", include_, "Recover only files of this type, such as *.doc");
    parser.add_option("--exclude", exclude_, "Do not recover files of this type")
        ->excludes(include);
    parser
        .add_option("--on-conflict", policy_,
                    "When a file is already there: overwrite, rename (default) or skip")
        ->transform(CLI::IsMember(kConflictPolicies));
    auto* report =
        parser.add_option("--report", reportFolder_,
                          "Also writes report.json, report.dfxml and report.html of the recovery, "
                          "with the SHA-256 of every file written, into this folder");
    parser
        .add_flag("--md5", md5_,
                  "With --report: the MD5 of every file written as well, for tools that check "
                  "MD5 (it takes longer)")
        ->needs(report);
  }

  int Run(const app::LogReport& log) override {
    if (!mask_.Read() || !map_.Read() || !ftp_.Read()) return kUsage;
    const std::time_t started = std::time(nullptr);
    // The server is tried before a scan that may take hours, and nothing is written without it.
    std::unique_ptr<destination::FtpDestination> server;
    if (ftp_.Given() && !(server = ftp_.Connect(folder_))) return kFailure;
    const std::optional<std::string> named = source_.SourcePath();
    if (auto refusal = FolderOnSource(named)) return Fail(refusal->message);
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ReadsData, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    if (auto refusal =
            named ? std::nullopt : FolderOnSource(scanned.value().description.sourcePath))
      return Fail(refusal->message);
    if (auto refusal = ReportOnSource(scanned.value().description.sourcePath))
      return Fail(refusal->message);
    volume::FileTree& tree = scanned.value().tree;
    if (interrupt.interrupted()) return ReportScanOutcome(scanned.value());
    if (auto status = mask_.Apply(scanned.value(), interrupt.token())) return *status;
    if (source_.poolScan && !tree.filesFound)
      return Fail("No files found for recovery. Scan the pool again");
    if (auto chosen = Select(tree); !chosen.empty()) return Fail(chosen);
    filter::FilterList filter = Filter();
    destination::LocalDestination local(folder_);
    destination::Destination& destination =
        server ? static_cast<destination::Destination&>(*server) : local;
    if (!destination::HasRoomFor(volume::BytesToSave(tree, filter), destination.FreeBytes())) {
      return Fail(std::string(destination::kInsufficientSpaceText));
    }
    const auto unread = map_.Load(scanned.value());
    if (!unread.ok()) return Fail(unread.error());
    destination::FixedAnswer prompt(kConflictPolicies.at(policy_));
    const volume::SavingSetup setup{scanned.value().source,
                                    scanned.value().poolBase,
                                    destination,
                                    filter,
                                    prompt,
                                    unread.value() ? &unread.value()->areas : nullptr,
                                    reportFolder_.has_value(),
                                    md5_};
    // What was asked for is taken before the run, which clears the ticks and the filter.
    std::optional<report::Report> written;
    if (reportFolder_) {
      written = ReportOf(commandLine_, source_, scanned.value(), unread.value(), started);
      report::DescribeSelection(*written, tree, filter);
    }
    app::PauseGate running;
    volume::SavingReport report;
    {
      ProgressLine progress("Recovering");
      report = volume::SaveSelected(tree, setup, progress, running, interrupt.token(), log);
    }
    PrintSummary(report, folder_);
    if (written) {
      written->files = report::FilesOfRun(tree, scanned.value().poolBase, setup.unread, report);
      written->ended = app::IsoUtcStamp(std::time(nullptr));
      const app::Result<std::string> page = WriteReport(*written);
      if (!page.ok()) return Fail(page.error());
      std::cout << "Report written to " << page.value() << '\n';
    }
    const int scan = ReportScanOutcome(scanned.value());
    if (!report.Complete())
      PrintError(report.stopped ? "stopped; the files written so far stay"
                                : "some files were not recovered whole");
    return report.Complete() ? scan : kFailure;
  }

 private:
  // The report folder may be the recovery's own, or hold files of an earlier one: the report takes
  // names no file there has (report-2.html...), so that no recovered file is replaced.
  app::Result<std::string> WriteReport(const report::Report& written) const {
    destination::LocalDestination folder(*reportFolder_);
    std::string error;
    if (!folder.CreateFolder(folder.Root(), error))
      return app::Failure{*reportFolder_ + ": " + error};
    return report::WriteReportAt(written, folder, {});
  }

  // Files are never recovered onto the disk being read. The source is known from the options
  // before the scan, or, when only a saved scan names it, once that is loaded.
  std::optional<app::Failure> FolderOnSource(const std::optional<std::string>& source) const {
    if (ftp_.Given() || !source) return std::nullopt;
    return destination::RecoveryFolderRefusal(folder_, *source);
  }

  // The report is a local folder, never on the disk being read.
  std::optional<app::Failure> ReportOnSource(const std::string& source) const {
    if (!reportFolder_) return std::nullopt;
    return destination::RecoveryFolderRefusal(*reportFolder_, source);
  }

  // Ticks what --path names (everything without it); returns why it cannot.
  std::string Select(volume::FileTree& tree) const {
    if (paths_.empty()) {
      volume::SelectAll(tree);
      return {};
    }
    for (const auto& path : paths_) {
      const auto entries = volume::FindByPath(tree, path);
      if (entries.empty()) return "nothing is at " + path;
      volume::SelectEntries(tree, entries);
    }
    return {};
  }

  filter::FilterList Filter() const {
    filter::FilterList filter;
    filter.mode = exclude_.empty() ? filter::FilterMode::Include : filter::FilterMode::Exclude;
    for (const auto& pattern : exclude_.empty() ? include_ : exclude_)
      filter.AddTyped(app::ToUtf16(pattern));
    return filter;
  }

  std::string commandLine_;
  SourceOptions source_;
  MaskOptions mask_;
  MapOptions map_;
  FtpOptions ftp_;
  std::string folder_;
  std::vector<std::string> paths_;
  std::vector<std::string> include_;
  std::vector<std::string> exclude_;
  std::string policy_ = "rename";
  std::optional<std::string> reportFolder_;
  bool md5_ = false;
};

}  // namespace

RegisteredCommand AddRecoverCommand(CLI::App& app, const std::string& commandLine) {
  CLI::App* parser = app.add_subcommand(
      "recover",
      "Recovers folders and files of a volume into a local folder or onto an FTP server");
  return {parser, std::make_unique<RecoverCommand>(*parser, commandLine)};
}

}  // namespace kestrel::cli
