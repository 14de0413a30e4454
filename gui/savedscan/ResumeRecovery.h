// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "app/LogReport.h"

class QLabel;
class QLineEdit;

namespace kestrel::gui {

// The Resume Recovery tab: Browse for a saved scan or an image, its Name, Size and Type, and
// what the main window's Start button opens for it.
class ResumeRecovery : public QWidget {
  Q_OBJECT

 public:
  explicit ResumeRecovery(QWidget* parent);

  const std::string& ResumePath() const { return resumePath_; }

  // The page Start opens: the volume page or the pool page on a saved scan, the pool page on a
  // pool image, the disk scan page on a disk image. A file that cannot be read is said why, and
  // there is no page.
  QDialog* OpenChosenFile(const app::LogReport& log, QWidget* pageParent);

 signals:
  // Browse was pressed: the main window shows its Start button.
  void browsing();

 private:
  void Browse();
  void ShowFields();

  std::string resumePath_;
  QLineEdit* pathEdit_;
  QLabel* name_;
  QLabel* size_;
  QLabel* type_;
};

}  // namespace kestrel::gui
