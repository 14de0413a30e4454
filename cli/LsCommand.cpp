// `ls`: every folder and file of a volume, deleted entries included, then the totals line.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "ProgressLine.h"
#include "SourceOptions.h"
#include "TreeOutput.h"
#include "app/TextEncoding.h"
#include "volume/ScanTexts.h"

namespace kestrel::cli {
namespace {

class LsCommand : public Command {
 public:
  explicit LsCommand(CLI::App& parser) {
    source_.AddTo(parser);
    parser.add_flag("--json", json_,
                    "One JSON object per entry; the totals line goes to standard error");
  }

  int Run(const app::LogReport& log) override {
    auto source = ResolveVolume(source_, log);
    if (!source.ok()) {
      PrintError(source.error());
      return kFailure;
    }
    const InterruptStop interrupt;
    volume::FileTree tree = volume::NewVolumeTree(source.value().volumeName);
    volume::ScanOutcome outcome;
    {
      ProgressLine progress("Scanning " + app::ToUtf8(source.value().volumeName));
      outcome = volume::ScanVolume(source.value(), tree, progress, interrupt.token(), log);
    }
    PrintTree(tree, json_, std::cout);
    (json_ ? std::cerr : std::cout) << volume::TotalText(tree.counters) << '\n';
    return ReportOutcome(outcome);
  }

 private:
  static int ReportOutcome(volume::ScanOutcome outcome) {
    switch (outcome) {
      case volume::ScanOutcome::Completed:
        return kSuccess;
      case volume::ScanOutcome::EndedEarly:
        PrintError(
            "the chain of tree blocks leads into a block that is not a tree block; the listing may "
            "be incomplete");
        return kFailure;
      case volume::ScanOutcome::Stopped:
        PrintError("stopped; the entries found so far are listed");
        return kFailure;
    }
    return kFailure;
  }

  SourceOptions source_;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddLsCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("ls", "Every folder and file of a volume, deleted ones included");
  return {parser, std::make_unique<LsCommand>(*parser)};
}

}  // namespace kestrel::cli
