// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

#include "destination/Conflicts.h"

class QLineEdit;

namespace kestrel::gui {

// The question asked when a recovered file already exists at the destination: the file's name,
// a proposed new name to edit, and the six answers. Closing it without an answer skips the file:
// an existing file is never replaced unless the person said so.
class CAlreadyExistFileDialog : public QDialog {
  Q_OBJECT

 public:
  CAlreadyExistFileDialog(const destination::ConflictQuestion& question, QWidget* parent);

  destination::ConflictAnswer Answer() const { return answer_; }

 private:
  void Choose(destination::ConflictChoice choice);

  QLineEdit* renameTo_;
  destination::ConflictAnswer answer_{destination::ConflictChoice::Skip, {}};
};

}  // namespace kestrel::gui
