#include "gui/volume/FolderTreeModel.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "gui/common/QtText.h"

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

}  // namespace

void FolderTreeModel::Attach(const volume::FileTree* tree) {
  beginResetModel();
  tree_ = tree;
  IndexChildren();
  checksShown_ = true;
  endResetModel();
}

void FolderTreeModel::IndexChildren() {
  childStart_.clear();
  children_.clear();
  if (!tree_) return;
  const std::size_t count = tree_->FolderItemCount();
  childStart_.assign(count + 1, 0);
  for (volume::FolderId f = 1; f < count; ++f) childStart_[tree_->Folder(f).parent + 1]++;
  for (std::size_t f = 0; f < count; ++f) childStart_[f + 1] += childStart_[f];
  children_.resize(count > 0 ? count - 1 : 0);
  for (volume::FolderId f = 0; f < count; ++f) {
    std::uint32_t at = childStart_[f];
    for (volume::FolderId c = tree_->Folder(f).firstChild; c != volume::kNoFolder;
         c = tree_->Folder(c).nextSibling) {
      children_[at++] = c;
    }
  }
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
  const volume::FolderId folder = FolderAt(parent);
  const std::uint32_t at = childStart_[folder] + static_cast<std::uint32_t>(row);
  if (at >= childStart_[folder + 1]) return {};
  return createIndex(row, 0, children_[at]);
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
  return static_cast<int>(childStart_[folder + 1] - childStart_[folder]);
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
      return ToQString(tree_->FolderText(folder));
    case Qt::DecorationRole:
      return folder == tree_->Top() ? VolumeIcon() : FolderIcon();
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
