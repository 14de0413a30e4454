// `ls`: every folder and file of a volume, deleted entries included, then the totals line; with
// --mask, only the files the mask keeps and the folders above them.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
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
    parser.add_flag("--json", json_,
                    "One JSON object per entry; the totals line goes to standard error");
  }

  int Run(const app::LogReport& log) override {
    if (!mask_.Read()) return kUsage;
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ListsOnly, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    if (auto status = mask_.Apply(scanned.value(), interrupt.token())) return *status;
    const volume::FileTree& tree = scanned.value().tree;
    PrintTree(tree, json_, std::cout);
    (json_ ? std::cerr : std::cout) << volume::TotalText(tree.counters) << '\n';
    return ReportScanOutcome(scanned.value());
  }

 private:
  SourceOptions source_;
  MaskOptions mask_;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddLsCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("ls", "Every folder and file of a volume, deleted ones included");
  return {parser, std::make_unique<LsCommand>(*parser)};
}

}  // namespace kestrel::cli
