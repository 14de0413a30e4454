// SPDX-License-Identifier: Apache-2.0
// `ls`: every folder and file of a volume, deleted entries included, then the totals line; with
// --mask, only the files the mask keeps and the folders above them. With a map of unread areas,
// the files that hold bytes never read from the disk are marked (--damaged-only: only those).
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "MapOptions.h"
#include "MaskOptions.h"
#include "ScannedSource.h"
#include "TreeOutput.h"
#include "volume/ScanTexts.h"

namespace kestrel::cli {
namespace {

class LsCommand : public Command {
 public:
  explicit LsCommand(CLI::App& parser) {
    source_.AddTo(parser);
    mask_.AddTo(parser);
    map_.AddTo(parser);
    parser.add_flag("--damaged-only", damagedOnly_,
                    "Only the files that the map of unread areas marks");
    parser.add_flag("--json", json_,
                    "One JSON object per entry; the totals line goes to standard error");
  }

  int Run(const app::LogReport& log) override {
    if (!mask_.Read() || !map_.Read()) return kUsage;
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ListsOnly, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    if (auto status = mask_.Apply(scanned.value(), interrupt.token())) return *status;
    auto unread = map_.Load(scanned.value());
    if (!unread.ok()) return Fail(unread.error());
    if (damagedOnly_ && !unread.value()) {
      PrintError("--damaged-only needs a map of unread areas: --map FILE, or one beside the image");
      return kUsage;
    }
    const volume::FileTree& tree = scanned.value().tree;
    std::optional<UnreadMarks> marks;
    if (unread.value())
      marks.emplace(unread.value()->areas, scanned.value().poolBase, damagedOnly_);
    const std::uint64_t damaged = PrintTree(tree, json_, std::cout, marks);
    std::ostream& totals = json_ ? std::cerr : std::cout;
    totals << volume::TotalText(tree.counters) << '\n';
    if (marks) totals << "Files that hold bytes never read from the disk: " << damaged << '\n';
    return ReportScanOutcome(scanned.value());
  }

 private:
  SourceOptions source_;
  MaskOptions mask_;
  MapOptions map_;
  bool damagedOnly_ = false;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddLsCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("ls", "Every folder and file of a volume, deleted ones included");
  return {parser, std::make_unique<LsCommand>(*parser)};
}

}  // namespace kestrel::cli
