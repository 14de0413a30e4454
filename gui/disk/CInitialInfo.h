// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "disk/MediaPage.h"
#include "disk/MediaTree.h"
#include "gui/common/PageDialog.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::gui {

class DescriptionPanels;

// The media page "Select Media": every disk with its NetWare pools and their volumes, read when
// the page opens; four panels that describe the selected entry; Continue (or a double click) opens
// the scan page of the entry.
class CInitialInfo : public PageDialog {
  Q_OBJECT

 public:
  CInitialInfo(const app::LogReport& log, QWidget* parent);

 protected:
  void CloseRequested() override;

 private:
  QWidget* BuildTree();
  QLayout* BuildButtons();
  void FillTree();
  void AddDiskItem(int diskIndex);
  void OnAssembleRaid();
  void OnSelectionChanged();
  void OnContinue();
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  disk::MediaTree media_;
  QTreeWidget* tree_ = nullptr;
  DescriptionPanels* panels_ = nullptr;
  QPushButton* continue_ = nullptr;
};

}  // namespace kestrel::gui
