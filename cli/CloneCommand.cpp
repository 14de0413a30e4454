// SPDX-License-Identifier: Apache-2.0
// `clone`: copies disk N onto disk M, sector for sector, after the refusals of an unsafe
// destination and only with --yes.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "ProgressLine.h"
#include "app/SizeText.h"
#include "imaging/CloneChoice.h"
#include "imaging/CopyTexts.h"
#include "imaging/DiskClone.h"

namespace kestrel::cli {
namespace {

// How many runs of unreadable sectors the summary names; the rest are counted.
constexpr std::size_t kRunsShown = 10;

// Disk n as the cloning lists offer it, or why it is not offered.
app::Result<disk::DriveListEntry> FindCloneDrive(const disk::DriveList& list, int n) {
  for (const auto& drive : imaging::CloneDrives(list)) {
    if (drive.number == n) return drive;
  }
  for (const auto& drive : list.drives) {
    if (drive.number != n) continue;
    if (!drive.status.ok()) return app::Failure{drive.status.message};
    return app::Failure{app::Format("Disk%d is a removable disk; only hard disks are cloned", n)};
  }
  return app::Failure{app::Format("there is no Disk%d (`drives` lists the disks)", n)};
}

std::string UnreadableRunsText(const imaging::BadSectorMap& unreadable) {
  std::string text;
  for (std::size_t i = 0; i < unreadable.Runs().size() && i < kRunsShown; ++i) {
    const imaging::SectorRun run = unreadable.Runs()[i];
    text += app::Format("%s%llu-%llu", i ? ", " : "", static_cast<unsigned long long>(run.first),
                        static_cast<unsigned long long>(run.first + run.count - 1));
  }
  return unreadable.Runs().size() > kRunsShown ? text + ", ..." : text;
}

class CloneCommand : public Command {
 public:
  explicit CloneCommand(CLI::App& parser) {
    parser.add_option("--from", from_, "The source disk N")->required();
    parser.add_option("--to", to_, "The destination disk M, overwritten from sector 0")->required();
    parser.add_flag("--yes", yes_, "Confirm that the destination may be overwritten");
  }

  int Run(const app::LogReport& log) override {
    const disk::DriveList list = disk::ListDisks();
    auto source = FindCloneDrive(list, from_);
    if (!source.ok()) return Fail(source.error());
    auto destination = FindCloneDrive(list, to_);
    if (!destination.ok()) return Fail(destination.error());
    if (auto refusal = imaging::CloneRefusal(source.value(), destination.value())) {
      return Fail(refusal->message);
    }
    if (!yes_) {
      return Fail(std::string(imaging::kCloneWarning) +
                  app::Format(" Add --yes to overwrite Disk%d with Disk%d.", to_, from_));
    }
    const std::uint64_t sectors = source.value().sectorCount;
    const InterruptStop interrupt;
    imaging::CopyStatus status;
    const auto outcome = [&] {
      ProgressLine progress(app::Format("Cloning Disk%d onto Disk%d", from_, to_));
      return imaging::CloneDisks(from_, sectors, to_, status, progress, interrupt.token(), log);
    }();
    if (!outcome.ok()) return Fail(outcome.error());
    return Report(sectors, outcome.value());
  }

 private:
  int Report(std::uint64_t sectors, const imaging::CopyOutcome& outcome) const {
    std::cout << "Cloned Disk" << from_ << " onto Disk" << to_ << ": " << outcome.sectorsDone
              << " of " << sectors << " sectors (progress block size "
              << imaging::BlockSizeText(imaging::ProgressGrid(sectors).BlockSectors())
              << ")\nUnreadable sectors written as zeros: " << outcome.unreadable.SectorCount()
              << '\n';
    if (outcome.stopped) {
      return Fail(app::Format("stopped; Disk%d holds the first %llu sectors of Disk%d", to_,
                              static_cast<unsigned long long>(outcome.sectorsDone), from_));
    }
    if (outcome.unreadable.SectorCount() != 0) {
      return Fail(
          "these sectors could not be read, and the destination holds zeros there: " +
          UnreadableRunsText(outcome.unreadable));
    }
    return kSuccess;
  }

  int from_ = 0;
  int to_ = 0;
  bool yes_ = false;
};

}  // namespace

RegisteredCommand AddCloneCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("clone", "Copies disk N onto disk M; refuses without --yes");
  return {parser, std::make_unique<CloneCommand>(*parser)};
}

}  // namespace kestrel::cli
