// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "gui/common/PageDialog.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace kestrel::gui {

class ResumeRecovery;

// The main window: the tabs that start the three workflows (Fresh Recovery, Resume Recovery,
// Create Image), Help, the about box and the log report. It hides itself while a workflow's page
// runs, and ends the program when it is closed or a page reports that the program is closing.
class CKestrelNSSRecoveryDlg : public PageDialog {
  Q_OBJECT

 public:
  CKestrelNSSRecoveryDlg(const app::LogReport& log, QWidget* parent = nullptr);

 protected:
  void CloseRequested() override;

 private:
  QWidget* BuildTabs();
  QLayout* BuildButtonRow();
  void ShowStartFor(int tab);
  void StartFreshRecovery();
  void StartResume();
  void OpenWorkflowPage(QDialog* page);
  void ActOnPageResult(app::PageResult result);

  const app::LogReport& log_;
  QTabWidget* tabs_;
  ResumeRecovery* resume_;
  QPushButton* start_;
  QLabel* startCaption_;
};

}  // namespace kestrel::gui
