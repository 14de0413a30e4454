// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>

#include "volume/FileTree.h"

// The rules around saving a scan: the file's name, when there is something to save, and a file
// of that name that exists already.
namespace kestrel::savedscan {

inline constexpr std::string_view kScanSavedText = "Scan information saved successfully";

// "%s.IMG": the extension is always added, also to a name that ends in ".IMG".
std::string ScanFileName(const std::string& chosen);

// A scan is worth saving when its top item has a child item or a file in its own chain (a volume
// whose files all lie in its top folder too).
bool HasSomethingToSave(const volume::FileTree& tree);

enum class ScanRenameChoice { Ok, OverWrite, Cancel };

struct ScanRenameAnswer {
  ScanRenameChoice choice = ScanRenameChoice::Cancel;
  std::string newName;  // m_scanFileNewName, for Ok
};

// Asked when the chosen scan file exists (CScanRename on the desktop).
class ScanRenamePrompt {
 public:
  virtual ~ScanRenamePrompt() = default;
  virtual ScanRenameAnswer Ask(const std::string& fullPath, const std::string& proposedName) = 0;
};

// Where the scan is written: the chosen path when nothing is there; else as the prompt answers:
// nothing on Cancel, the chosen path on OverWrite, the typed name on Ok. A typed name without a
// folder, and the proposal "(Copy_n)name", are taken in the chosen file's folder.
std::optional<std::string> ChooseScanFilePath(const std::string& path, ScanRenamePrompt& prompt);

}  // namespace kestrel::savedscan
