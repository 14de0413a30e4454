// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/FolderTreeModel.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <map>

#include "gui/common/QtText.h"
#include "pool/PoolTree.h"

namespace kestrel::gui {
namespace {

Qt::CheckState QtCheck(volume::CheckState check) {
  switch (check) {
    case volume::CheckState::Checked:
      return Qt::Checked;
    case volume::CheckState::Partial:
      return Qt::PartiallyChecked;
    case volume::CheckState::Unchecked:
      break;
  }
  return Qt::Unchecked;
}

// A closed folder, opened when selected; the volume's drive at the top.
const QIcon& FolderIcon() {
  static const QIcon icon = [] {
    QIcon folder = QIcon::fromTheme(QStringLiteral("folder"),
                                    QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    const QIcon open = QIcon::fromTheme(QStringLiteral("folder-open"));
    if (!open.isNull()) folder.addPixmap(open.pixmap(16), QIcon::Selected);
    return folder;
  }();
  return icon;
}

const QIcon& VolumeIcon() {
  static const QIcon icon =
      QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                       QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
  return icon;
}

const QIcon& DeletedVolumeIcon() {
  static const QIcon icon = QIcon::fromTheme(
      QStringLiteral("user-trash"), QApplication::style()->standardIcon(QStyle::SP_TrashIcon));
  return icon;
}

// A pool scan's volume items sit directly under its top item "pool".
const QIcon& ItemIcon(const volume::FileTree& tree, volume::FolderId folder) {
  const volume::FolderNode& node = tree.Folder(folder);
  if (node.deletedVolume) return DeletedVolumeIcon();
  const bool poolTree = tree.Record(tree.Folder(tree.Top()).record).m_key == pool::kPoolItemKey;
  return folder == tree.Top() || (poolTree && node.depth == 1) ? VolumeIcon() : FolderIcon();
}

}  // namespace

void FolderTreeModel::Attach(const volume::FileTree* tree) {
  beginResetModel();
  tree_ = tree;
  IndexChildren();
  checksShown_ = true;
  endResetModel();
}

void FolderTreeModel::IndexChildren() {
  children_.clear();
  if (!tree_) return;
  children_.resize(tree_->FolderItemCount());
  for (volume::FolderId f = 1; f < children_.size(); ++f)
    children_[tree_->Folder(f).parent].push_back(f);
}

// The new folders, parent by parent in id order: a parent new in this round is then inserted
// before its own children are.
void FolderTreeModel::Grow() {
  if (!tree_) return;
  const auto known = static_cast<volume::FolderId>(children_.size());
  const std::size_t count = tree_->FolderItemCount();
  if (count <= known) return;
  std::map<volume::FolderId, std::vector<volume::FolderId>> newChildren;
  for (volume::FolderId f = known; f < count; ++f)
    newChildren[tree_->Folder(f).parent].push_back(f);
  children_.resize(count);
  for (auto& [parent, added] : newChildren) {
    const int first = static_cast<int>(children_[parent].size());
    beginInsertRows(IndexOf(parent), first, first + static_cast<int>(added.size()) - 1);
    children_[parent].insert(children_[parent].end(), added.begin(), added.end());
    endInsertRows();
  }
}

bool FolderTreeModel::Continue(const volume::FileTree* tree) {
  if (!tree_ || !tree || tree->FolderItemCount() < children_.size()) return false;
  for (volume::FolderId f = 1; f < children_.size(); ++f) {
    if (tree->Folder(f).parent != tree_->Folder(f).parent) return false;
  }
  tree_ = tree;
  Grow();
  checksShown_ = true;
  ChecksChanged();  // the texts, icons and check images are the new tree's
  return true;
}

void FolderTreeModel::ShowChecks(bool shown) {
  checksShown_ = shown;
  ChecksChanged();
}

void FolderTreeModel::ChecksChanged() {
  // Every check image may have changed; a relayout repaints what is shown and keeps what is
  // expanded, at a cost that does not grow with the folders that are out of sight.
  emit layoutAboutToBeChanged();
  emit layoutChanged();
}

volume::FolderId FolderTreeModel::FolderAt(const QModelIndex& index) const {
  return index.isValid() ? static_cast<volume::FolderId>(index.internalId()) : volume::kNoFolder;
}

QModelIndex FolderTreeModel::IndexOf(volume::FolderId folder) const {
  if (!tree_ || folder >= tree_->FolderItemCount()) return {};
  return createIndex(static_cast<int>(tree_->Folder(folder).ordinal), 0, folder);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!tree_ || column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? createIndex(0, 0, tree_->Top()) : QModelIndex();
  const std::vector<volume::FolderId>& children = children_[FolderAt(parent)];
  if (static_cast<std::size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, children[static_cast<std::size_t>(row)]);
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  const volume::FolderId folder = FolderAt(child);
  if (!tree_ || folder == volume::kNoFolder || folder == tree_->Top()) return {};
  return IndexOf(tree_->Folder(folder).parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (!tree_ || parent.column() > 0) return 0;
  if (!parent.isValid()) return 1;
  const volume::FolderId folder = FolderAt(parent);
  return folder < children_.size() ? static_cast<int>(children_[folder].size()) : 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
  return rowCount(parent) > 0;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  const volume::FolderId folder = FolderAt(index);
  if (!tree_ || folder == volume::kNoFolder) return {};
  switch (role) {
    case Qt::DisplayRole:
      return ToQString(volume::ShownFolderText(*tree_, folder));
    case Qt::DecorationRole:
      return ItemIcon(*tree_, folder);
    case Qt::CheckStateRole:
      if (checksShown_) return QtCheck(tree_->Folder(folder).check);
      break;
    default:
      break;
  }
  return {};
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  return checksShown_ ? flags | Qt::ItemIsUserCheckable : flags;
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::CheckStateRole || !checksShown_ || FolderAt(index) == volume::kNoFolder)
    return false;
  emit checkClicked(FolderAt(index));
  return true;
}

}  // namespace kestrel::gui
