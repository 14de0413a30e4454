#pragma once

#include <QAbstractItemModel>
#include <vector>

#include "volume/FileTree.h"

namespace kestrel::gui {

// The folder tree of a scan, for a tree view: one column with each folder's text, icon and check
// image. It reads the FileTree only while attached: a scan writes its tree while the model is
// detached, and a recovery run writes check states while the model shows none.
class FolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  using QAbstractItemModel::QAbstractItemModel;

  // nullptr leaves the model empty. The tree's folders must not change while it is attached.
  void Attach(const volume::FileTree* tree);
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
  // Sub-folders by position: folder f's children are children_[childStart_[f]] up to
  // children_[childStart_[f + 1]], so that a folder of 100,000 sub-folders is indexed directly.
  void IndexChildren();

  const volume::FileTree* tree_ = nullptr;
  std::vector<std::uint32_t> childStart_;
  std::vector<volume::FolderId> children_;
  bool checksShown_ = true;
};

}  // namespace kestrel::gui
