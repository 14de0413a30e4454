// SPDX-License-Identifier: Apache-2.0
// `find`: every file whose name matches one of the patterns, in the order FIND and F3 meet them:
// folder by folder, depth first, each folder's files in the order of its chain.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "ScannedSource.h"
#include "TreeOutput.h"
#include "app/TextEncoding.h"
#include "filter/FindSearch.h"

namespace kestrel::cli {
namespace {

std::string JoinedPatterns(const std::vector<std::string>& patterns) {
  std::string joined;
  for (const auto& pattern : patterns) joined += (joined.empty() ? "" : ";") + pattern;
  return joined;
}

class FindCommand : public Command {
 public:
  explicit FindCommand(CLI::App& parser) {
    source_.AddTo(parser);
    parser
        .add_option("pattern", patterns_,
                    "File names to find: \"*\" any run of characters, \"?\" one; \";\" separates "
                    "several")
        ->required();
    parser.add_flag("--json", json_, "One JSON object per file found, as `ls --json` prints it");
  }

  int Run(const app::LogReport& log) override {
    const std::string text = JoinedPatterns(patterns_);
    const filter::FindMatching matching(app::ToUtf16(text));
    if (!matching.HasPatterns()) {
      PrintError("give a file name or pattern to find, such as *.doc");
      return kUsage;
    }
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, SourceUse::ListsOnly, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    log.AppendLogEntry(filter::SearchingForText(text));
    if (PrintMatches(scanned.value().tree, matching) == 0)
      std::cerr << filter::kNoMatchingEntriesFoundText << '\n';
    return ReportScanOutcome(scanned.value());
  }

 private:
  std::size_t PrintMatches(const volume::FileTree& tree, const filter::FindMatching& matching) {
    filter::FindPosition position;
    std::size_t found = 0;
    for (auto match = filter::FindFromTop(tree, matching, position); match;
         match = filter::FindNext(tree, matching, position), ++found) {
      const volume::TreeEntry entry{volume::FilePath(tree, match->folder, match->record), false,
                                    match->folder, match->record};
      if (json_) {
        std::cout << JsonText(EntryJson(tree, entry)) << '\n';
      } else {
        std::cout << app::PrintableText(entry.path) << '\n';
      }
    }
    return found;
  }

  SourceOptions source_;
  std::vector<std::string> patterns_;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddFindCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("find", "Every file whose name matches a pattern");
  return {parser, std::make_unique<FindCommand>(*parser)};
}

}  // namespace kestrel::cli
