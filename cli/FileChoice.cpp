// SPDX-License-Identifier: Apache-2.0
#include "FileChoice.h"

#include <vector>

#include "volume/TreePaths.h"

namespace kestrel::cli {
namespace {

app::Result<volume::RecordId> FindFile(const volume::FileTree& tree, const FileChoice& choice) {
  std::vector<volume::RecordId> files;
  std::string keys;
  for (const auto& entry : volume::FindByPath(tree, choice.path)) {
    if (entry.folder || (choice.key && tree.Record(entry.record).m_key != *choice.key)) continue;
    files.push_back(entry.record);
    keys += " " + std::to_string(tree.Record(entry.record).m_key);
  }
  if (files.size() == 1) return files.front();
  if (files.empty()) return app::Failure{"no file at " + choice.path};
  return app::Failure{"several files are at " + choice.path + "; choose one with --key:" + keys};
}

}  // namespace

void FileChoice::AddTo(CLI::App& parser) {
  parser.add_option("--path", path, "The file")->required();
  parser.add_option("--key", key, "The file's key, where deleted and live files share a path");
}

app::Result<ChosenFile> OpenChosenFile(const SourceOptions& source, const FileChoice& choice,
                                       std::stop_token stop, const app::LogReport& log) {
  auto scanned = ScanChosenSource(source, SourceUse::ReadsData, stop, log);
  if (!scanned.ok()) return app::Failure{scanned.error()};
  const auto file = FindFile(scanned.value().tree, choice);
  if (!file.ok()) return app::Failure{file.error()};
  auto layout =
      volume::LayoutFileData(scanned.value().tree, file.value(), scanned.value().poolBase);
  return ChosenFile{std::move(scanned).value(), std::move(layout)};
}

}  // namespace kestrel::cli
