// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <vector>

#include "app/LogReport.h"
#include "disk/DriveList.h"
#include "gui/common/PageDialog.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrel::gui {

class CopyRun;
class ProgressGridView;

// The cloning page: a source and a destination list of the hard disks, "%s [%s] %s (Disk %d)",
// each line holding its drive itself. "Start Cloning" refuses an unsafe destination (the source
// itself, a smaller disk, the disk of the running system, a mounted file system or swap) and a
// disk that changed since the lists were made, each with its reason, before the warning question;
// the copy then runs on its worker and the page paints the grid, "Block Size", "Processed",
// "Processing" and the time left. Closing the page during a run asks to stop it first.
class CDiskClone : public PageDialog {
  Q_OBJECT

 public:
  CDiskClone(const app::LogReport& log, QWidget* parent);
  ~CDiskClone() override;

 protected:
  void CloseRequested() override { Leave(app::LeaveButton::Close); }

 private:
  QWidget* BuildChoice();
  QWidget* BuildProgressArea();
  QLayout* BuildButtons();
  void FillLists();
  const disk::DriveListEntry* Chosen(const QComboBox* list) const;
  void OnSelectionChanged();
  void OnStart();
  bool Refused(const disk::DriveListEntry& source, const disk::DriveListEntry& destination);
  void OnStop();
  void OnProgress(int percent, const QString& detail);
  void ShowStatus();
  void OnFinished();
  void SetRunning(bool running);
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  std::vector<disk::DriveListEntry> drives_;  // the lists' items hold their place here
  QComboBox* source_ = nullptr;
  QComboBox* destination_ = nullptr;
  QLabel* refusal_ = nullptr;
  ProgressGridView* grid_ = nullptr;
  QLabel* blockSize_ = nullptr;
  QLabel* processed_ = nullptr;
  QLabel* processing_ = nullptr;
  QLabel* detail_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* home_ = nullptr;
  QPushButton* back_ = nullptr;
  bool closeWhenStopped_ = false;
  std::unique_ptr<CopyRun> run_;  // last: stopped and joined first
};

}  // namespace kestrel::gui
