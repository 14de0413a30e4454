// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "volume/FileTree.h"
#include "volume/ListRows.h"
#include "volume/UnreadAreas.h"

namespace kestrel::gui {

// The file list of one folder, for a table view: its sub-folders, then its files, in the three
// columns "File Name", "File Size (in Bytes)" and "File Type", with check images and icons by
// extension. The rows are gathered once per folder; each cell is read when it is shown.
class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void Show(const volume::FileTree* tree, volume::FolderId folder);
  void Clear() { Show(nullptr, volume::kNoFolder); }
  void ChecksChanged();
  // Files whose data touch these areas get their own icon and say how many bytes were never read.
  void SetUnreadAreas(const volume::UnreadAreas* areas, std::int64_t poolBase);

  volume::FolderId Folder() const { return folder_; }
  const volume::RowRef& RowAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  // The check image of a row was clicked.
  void checkClicked(int row);

 private:
  QVariant Cell(const volume::RowRef& row, int column) const;

  const volume::FileTree* tree_ = nullptr;
  volume::FolderId folder_ = volume::kNoFolder;
  std::vector<volume::RowRef> rows_;
  const volume::UnreadAreas* unread_ = nullptr;
  std::int64_t poolBase_ = 0;
  std::vector<std::uint64_t> unreadBytes_;  // of each row, with areas to lay over them
};

}  // namespace kestrel::gui
