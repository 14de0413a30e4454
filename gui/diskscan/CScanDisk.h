// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <vector>

#include "app/LogReport.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"
#include "gui/common/PageDialog.h"
#include "gui/diskscan/CthreadForScanDisk.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::gui {

class DescriptionPanels;

// The disk scan page "Disk Scanning": the search of a whole disk or disk image for the headers of
// NetWare partitions, for a disk whose boot sector or chain of headers is lost. Each pool found
// appears under "Disk" at once, with its volumes; Continue (or a double click) opens the pool page
// or the volume page for it, as the media page does. A stopped search keeps what it found.
class CScanDisk : public PageDialog {
  Q_OBJECT

 public:
  CScanDisk(disk::DiskReader reader, std::string sourcePath, const app::LogReport& log,
            QWidget* parent);

 protected:
  void CloseRequested() override { Leave(app::LeaveButton::Close); }

 private:
  QWidget* BuildTree();
  QWidget* BuildStatusArea();
  QLayout* BuildButtons();
  void OnPoolFound(const disk::PoolEntry& pool);
  void OnProgress(int percent, const QString& status, const QString& detail);
  void OnSearchEnded();
  void OnSelectionChanged();
  void OnContinue();
  void OnStop();
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  std::vector<disk::PoolEntry> pools_;  // in the order found; the tree's entries point here
  QTreeWidget* tree_ = nullptr;
  QTreeWidgetItem* root_ = nullptr;
  DescriptionPanels* panels_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* detail_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* home_ = nullptr;
  QPushButton* back_ = nullptr;
  std::unique_ptr<CthreadForScanDisk> search_;  // last: stopped and joined first
};

}  // namespace kestrel::gui
