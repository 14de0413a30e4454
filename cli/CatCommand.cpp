// SPDX-License-Identifier: Apache-2.0
// `cat`: the data of one file, cut to its size, on standard output.
#include "Command.h"
#include "FileChoice.h"
#include "Interrupt.h"
#include "disk/platform/Platform.h"
#include "volume/FileData.h"

namespace kestrel::cli {
namespace {

class CatCommand : public Command {
 public:
  explicit CatCommand(CLI::App& parser) {
    source_.AddTo(parser);
    file_.AddTo(parser);
  }

  int Run(const app::LogReport& log) override {
    const InterruptStop interrupt;
    const auto chosen = OpenChosenFile(source_, file_, interrupt.token(), log);
    if (!chosen.ok()) return Fail(chosen.error());
    const volume::FileDataLayout& layout = chosen.value().layout;
    const auto output = platform::StandardOutput();
    const auto copied =
        volume::CopyFileData(chosen.value().scanned.source, layout, *output,
                             [&](std::uint64_t) { return !interrupt.interrupted(); });
    if (!copied.writeError.empty()) return Fail("standard output: " + copied.writeError);
    if (copied.stopped) return Fail("stopped");
    if (copied.unreadableBlocks != 0)
      return Fail(std::to_string(copied.unreadableBlocks) +
                  " unreadable blocks were written as zeros");
    if (layout.ExtentsShort()) return Fail("the file's extents hold fewer bytes than its size");
    return kSuccess;
  }

 private:
  SourceOptions source_;
  FileChoice file_;
};

}  // namespace

RegisteredCommand AddCatCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("cat", "Writes the data of one file to standard output");
  return {parser, std::make_unique<CatCommand>(*parser)};
}

}  // namespace kestrel::cli
