// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractItemModel>
#include <vector>

#include "volume/FileTree.h"

namespace kestrel::gui {

// The folder tree of a scan, for a tree view: one column with each folder's text, icon and check
// image. It reads the FileTree only while attached: while a scan writes its tree the model shows
// the page's copy of the folders filed so far, and a recovery run writes check states while the
// model shows none.
class FolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  using QAbstractItemModel::QAbstractItemModel;

  // nullptr leaves the model empty. Folders may only be added to the tree while it is attached,
  // each followed by Grow.
  void Attach(const volume::FileTree* tree);
  // Rows for the folders added to the tree since it was attached or last grown.
  void Grow();
  // Moves to a tree that holds the same folders under the same ids and maybe more, keeping what
  // is expanded; false (and nothing done) when the tree is not such a tree.
  bool Continue(const volume::FileTree* tree);
  // Off while a recovery run writes the check states.
  void ShowChecks(bool shown);
  // The check images changed (a selection gesture, the end of a recovery run).
  void ChecksChanged();

  volume::FolderId FolderAt(const QModelIndex& index) const;
  QModelIndex IndexOf(volume::FolderId folder) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  // The check image of a folder was clicked; what it changes is the selection rules' to say.
  void checkClicked(volume::FolderId folder);

 private:
  // Sub-folders by position, so that a folder of 100,000 sub-folders is indexed directly. Folders
  // are only ever appended to a tree, each as the last child of its parent.
  void IndexChildren();

  const volume::FileTree* tree_ = nullptr;
  std::vector<std::vector<volume::FolderId>> children_;
  bool checksShown_ = true;
};

}  // namespace kestrel::gui
