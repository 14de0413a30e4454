// `cat`: the data of one file, cut to its size, on standard output.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "ScannedSource.h"
#include "disk/platform/Platform.h"
#include "volume/FileData.h"
#include "volume/TreePaths.h"

namespace kestrel::cli {
namespace {

class CatCommand : public Command {
 public:
  explicit CatCommand(CLI::App& parser) {
    source_.AddTo(parser);
    parser.add_option("--path", path_, "The file")->required();
    parser.add_option("--key", key_, "The file's key, where deleted and live files share a path");
  }

  int Run(const app::LogReport& log) override {
    const InterruptStop interrupt;
    auto scanned = ScanChosenSource(source_, interrupt.token(), log);
    if (!scanned.ok()) return Fail(scanned.error());
    const volume::FileTree& tree = scanned.value().tree;
    const auto file = ChooseFile(tree);
    if (!file.ok()) return Fail(file.error());
    const auto layout = volume::LayoutFileData(tree, file.value(), scanned.value().poolBase);
    const auto output = platform::StandardOutput();
    const auto copied =
        volume::CopyFileData(scanned.value().source, layout, *output,
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
  app::Result<volume::RecordId> ChooseFile(const volume::FileTree& tree) const {
    std::vector<volume::RecordId> files;
    std::string keys;
    for (const auto& entry : volume::FindByPath(tree, path_)) {
      if (entry.folder || (key_ && tree.Record(entry.record).m_key != *key_)) continue;
      files.push_back(entry.record);
      keys += " " + std::to_string(tree.Record(entry.record).m_key);
    }
    if (files.size() == 1) return files.front();
    if (files.empty()) return app::Failure{"no file at " + path_};
    return app::Failure{"several files are at " + path_ + "; choose one with --key:" + keys};
  }

  SourceOptions source_;
  std::string path_;
  std::optional<std::uint64_t> key_;
};

}  // namespace

RegisteredCommand AddCatCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("cat", "Writes the data of one file to standard output");
  return {parser, std::make_unique<CatCommand>(*parser)};
}

}  // namespace kestrel::cli
