// SPDX-License-Identifier: Apache-2.0
#include "savedscan/SaveRules.h"

#include <filesystem>

#include "destination/Conflicts.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::savedscan {

std::string ScanFileName(const std::string& chosen) {
  return chosen + ".IMG";
}

bool HasSomethingToSave(const volume::FileTree& tree) {
  const volume::FolderNode& top = tree.Folder(tree.Top());
  return top.firstChild != volume::kNoFolder || tree.Record(top.record).m_next != volume::kNoRecord;
}

std::optional<std::string> ChooseScanFilePath(const std::string& path, ScanRenamePrompt& prompt) {
  if (!platform::PathExists(path)) return path;
  const std::filesystem::path folder = platform::Utf8Path(path).parent_path();
  const auto inFolder = [&](const std::string& name) {
    const std::filesystem::path typed = platform::Utf8Path(name);
    return platform::Utf8Text(typed.has_parent_path() ? typed : folder / typed);
  };
  const std::string proposal = destination::ProposeScanFileName(
      path, [&](const std::string& name) { return platform::PathExists(inFolder(name)); });
  const ScanRenameAnswer answer = prompt.Ask(path, proposal);
  switch (answer.choice) {
    case ScanRenameChoice::OverWrite:
      return path;
    case ScanRenameChoice::Ok:
      return inFolder(answer.newName);
    case ScanRenameChoice::Cancel:
      break;
  }
  return std::nullopt;
}

}  // namespace kestrel::savedscan
