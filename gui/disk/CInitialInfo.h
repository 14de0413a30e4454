#pragma once

#include "app/LogReport.h"
#include "disk/MediaPage.h"
#include "disk/MediaTree.h"
#include "gui/common/PageDialog.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::gui {

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
  QWidget* BuildPanels();
  QLayout* BuildButtons();
  void FillTree();
  void ShowPanels(disk::MediaEntryKind kind);
  void OnSelectionChanged();
  void OnContinue();
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  disk::MediaTree media_;
  QTreeWidget* tree_ = nullptr;
  QLabel* heading_ = nullptr;
  QLabel* where_ = nullptr;
  QLabel* description_ = nullptr;
  QLabel* instruction_ = nullptr;
  QLabel* note_ = nullptr;
  QPushButton* continue_ = nullptr;
};

}  // namespace kestrel::gui
