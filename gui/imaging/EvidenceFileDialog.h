// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

#include "imaging/EwfImage.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace kestrel::gui {

// What an examiner records in an E01 before it is written: the case number, evidence number,
// examiner, description and notes, the compression and the segment size. Ok is refused, with the
// reason shown, while the segment size cannot be used.
class EvidenceFileDialog : public QDialog {
  Q_OBJECT

 public:
  explicit EvidenceFileDialog(QWidget* parent);

  const imaging::EwfSettings& Settings() const { return settings_; }

 private:
  QLineEdit* AddField(const char* caption, const char* name);
  void OnOk();

  imaging::EwfSettings settings_;
  QFormLayout* form_ = nullptr;
  QLineEdit* caseNumber_ = nullptr;
  QLineEdit* evidenceNumber_ = nullptr;
  QLineEdit* examiner_ = nullptr;
  QLineEdit* description_ = nullptr;
  QLineEdit* notes_ = nullptr;
  QComboBox* compression_ = nullptr;
  QLineEdit* segmentSize_ = nullptr;
  QLabel* refusal_ = nullptr;
};

}  // namespace kestrel::gui
