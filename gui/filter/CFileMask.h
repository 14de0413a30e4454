// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <optional>

#include "filter/FileMask.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrel::gui {

// The mask dialog: file types, "Invalid/Deleted Files" and a size range. The volume page opens it
// as "CFileMask", the pool page as "FileMaskForPool"; both read it the same way. It ends accepted
// only with criteria that narrow the tree: "*.*" alone ends it as cancelled.
class CFileMask : public QDialog {
  Q_OBJECT

 public:
  CFileMask(const char* objectName, QWidget* parent);

  // After the dialog was accepted.
  const filter::MaskCriteria& Criteria() const { return *criteria_; }

 private:
  QLayout* BuildSizeRange();
  QLayout* BuildButtons();
  void OnSizeFromToggled(bool checked);
  void OnSizeFromEdited(const QString& text);
  void OnUptoToggled(bool checked);
  void OnOk();

  std::optional<filter::MaskCriteria> criteria_;
  QLineEdit* patterns_;
  QCheckBox* deletedOnly_;
  QCheckBox* sizeFrom_;
  QLineEdit* sizeFromEdit_;
  QCheckBox* upto_;
  QLineEdit* uptoEdit_;
  QPushButton* ok_;
};

}  // namespace kestrel::gui
