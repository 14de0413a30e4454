// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/FileListModel.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

#include "gui/common/QtText.h"
#include "gui/volume/ListIcons.h"
#include "volume/VolumePage.h"

namespace kestrel::gui {
namespace {

// Check images 2, 3 and 4: unchecked, checked, partial.
Qt::CheckState QtCheck(int checkImage) {
  switch (checkImage) {
    case 3:
      return Qt::Checked;
    case 4:
      return Qt::PartiallyChecked;
    default:
      break;
  }
  return Qt::Unchecked;
}

// A deleted file is told at a glance, in every column, without reading its type: greyed and struck
// through, with the deleted icon instead of its type's.
QVariant DeletedRowMark(int role) {
  switch (role) {
    case Qt::ForegroundRole:
      return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    case Qt::FontRole: {
      QFont font;
      font.setStrikeOut(true);
      return font;
    }
    default:
      break;
  }
  return {};
}

}  // namespace

void FileListModel::Show(const volume::FileTree* tree, volume::FolderId folder) {
  beginResetModel();
  tree_ = tree;
  folder_ = tree ? folder : volume::kNoFolder;
  rows_ = tree ? volume::ListRowRefs(*tree, folder) : std::vector<volume::RowRef>{};
  unreadBytes_.assign(rows_.size(), 0);
  for (std::size_t i = 0; unread_ && i < rows_.size(); ++i) {
    if (!rows_[i].folder) unreadBytes_[i] = unread_->BytesOfFile(*tree, rows_[i].record, poolBase_);
  }
  endResetModel();
}

void FileListModel::SetUnreadAreas(const volume::UnreadAreas* areas, std::int64_t poolBase) {
  unread_ = areas;
  poolBase_ = poolBase;
}

void FileListModel::ChecksChanged() {
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(volume::kListColumnTitles.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!tree_ || !index.isValid()) return {};
  const volume::RowRef& row = RowAt(index.row());
  if (role == Qt::DisplayRole) return Cell(row, index.column());
  const std::uint64_t unread = unreadBytes_[static_cast<std::size_t>(index.row())];
  if (unread != 0 && role == Qt::ToolTipRole) return ToQString(volume::NeverReadText(unread));
  const bool deleted = volume::RowIsDeleted(*tree_, row);
  if (deleted && role == Qt::ToolTipRole) return Cell(row, 2);
  if (deleted && (role == Qt::ForegroundRole || role == Qt::FontRole)) return DeletedRowMark(role);
  if (index.column() != 0) return {};
  if (role == Qt::DecorationRole && unread != 0) return UnreadFileIcon();
  if (role == Qt::DecorationRole)
    return deleted ? DeletedFileIcon() : ListIcon(volume::RowIcon(*tree_, row));
  if (role == Qt::CheckStateRole) return QtCheck(volume::RowCheckImage(*tree_, row));
  return {};
}

QVariant FileListModel::Cell(const volume::RowRef& row, int column) const {
  switch (column) {
    case 0:
      return ToQString(volume::RowName(*tree_, row));
    case 1:
      return ToQString(volume::RowSizeText(*tree_, row));
    default:
      break;
  }
  return ToQString(volume::RowTypeText(*tree_, row));
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount()) {
    return {};
  }
  return ToQString(volume::kListColumnTitles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  return index.column() == 0 ? flags | Qt::ItemIsUserCheckable : flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0) return false;
  emit checkClicked(index.row());
  return true;
}

}  // namespace kestrel::gui
