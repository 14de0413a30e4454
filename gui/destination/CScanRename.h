// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

#include "savedscan/SaveRules.h"

class QLineEdit;

namespace kestrel::gui {

// The question asked when the chosen scan information file already exists: its path, a proposed
// new name to edit, and Ok (save under the new name), OverWrite and Cancel. Closing it is Cancel.
class CScanRename : public QDialog {
  Q_OBJECT

 public:
  CScanRename(const std::string& fullPath, const std::string& proposedName, QWidget* parent);

  savedscan::ScanRenameAnswer Answer() const { return answer_; }

 private:
  void Choose(savedscan::ScanRenameChoice choice);

  QLineEdit* newName_;
  savedscan::ScanRenameAnswer answer_;
};

}  // namespace kestrel::gui
