// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>
#include <cstdint>

#include "volume/FileTree.h"
#include "volume/Selection.h"
#include "volume/UnreadAreas.h"

class QSplitter;
class QTableView;
class QTreeView;

namespace kestrel::gui {

class FileListModel;
class FolderTreeModel;

// The folder tree and the file list of the volume page, and every selection gesture on them:
// ticking a folder in the tree, ticking a row of the list, opening a folder. The selection rules
// are the core's; the browser applies them and shows the result.
class VolumeBrowser : public QWidget {
  Q_OBJECT

 public:
  explicit VolumeBrowser(QWidget* parent);

  // Shows a scanned tree: the top item expanded, its sub-folders collapsed, its files listed.
  // After ShowLive the folder listed stays listed. nullptr empties both views.
  void Attach(volume::FileTree* tree);
  // While a scan runs: the folders filed so far, to look through without check images.
  void ShowLive(const volume::FileTree* live);
  // The live tree has new folders.
  void LiveGrown();
  // While a recovery run writes the tree's check states the list is empty and the tree shows no
  // check images; afterwards both show the tree as the run left it.
  void SetRecovering(bool recovering);
  // The files whose data touch these areas (block n at poolBase + (n - 1) * 4096) are marked.
  void SetUnreadAreas(const volume::UnreadAreas* areas, std::int64_t poolBase);

  void SelectAll();
  void UnselectAll();

  // A match of find: its folder opened and current in the tree, and row `row` (1-based) of the
  // folder's list selected, in view and focused.
  void ShowMatch(volume::FolderId folder, std::uint32_t row);
  void ClearList();
  // Puts a pane to the right of the file list, inside the same splitter, as wide as it wants.
  void AddBesideList(QWidget* pane);

  QTreeView* TreeView() const { return treeView_; }
  QTableView* ListView() const { return listView_; }
  volume::FolderId CurrentFolder() const;

 signals:
  void selectionChanged(const volume::SelectionChange& change);
  // F3 in the tree or the list; the list's highlight of the last match is gone.
  void findNextPressed();
  // The current row of the list of a browsed (not live) tree is this file; kNoRecord when it is a
  // folder or there is none.
  void fileChosen(volume::RecordId file);

 protected:
  // F3 in the tree or the list.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFolder(volume::FolderId folder);
  void CollapseBelowTop();
  void OnFolderCheck(volume::FolderId folder);
  void OnRowCheck(int row);
  void OnFolderClicked(const QModelIndex& index);
  void OnRowDoubleClicked(const QModelIndex& index);
  void OnCurrentRow(const QModelIndex& index);
  void Applied(const volume::SelectionChange& change);

  volume::FileTree* tree_ = nullptr;
  const volume::FileTree* live_ = nullptr;
  FolderTreeModel* folders_;
  FileListModel* files_;
  QTreeView* treeView_;
  QTableView* listView_;
  QSplitter* splitter_;
  bool checkClicked_ = false;  // the click being handled hit a folder's check image
};

}  // namespace kestrel::gui
