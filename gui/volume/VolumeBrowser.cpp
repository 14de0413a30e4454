// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/VolumeBrowser.h"

#include <algorithm>
#include <utility>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

#include "gui/common/QtText.h"
#include "gui/volume/FileListModel.h"
#include "gui/volume/FolderTreeModel.h"
#include "volume/ListRows.h"
#include "volume/VolumePage.h"

namespace kestrel::gui {
namespace {

constexpr int kColumnWidth = 205;
constexpr int kCellPadding = 24;  // the cell's margins and the header's sort mark

// The size and type columns are as wide as the widest text they can hold, title included; the
// name column takes the rest of the list.
void SizeColumnsToContent(QTableView* view) {
  QHeaderView* header = view->horizontalHeader();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  int fixedWidth = 0;
  for (std::size_t column = 1; column < volume::kListColumnTitles.size(); ++column) {
    const int width =
        std::max(
            header->fontMetrics().horizontalAdvance(ToQString(volume::kListColumnTitles[column])),
            view->fontMetrics().horizontalAdvance(ToQString(volume::WidestCellText(column)))) +
        kCellPadding;
    header->resizeSection(static_cast<int>(column), width);
    fixedWidth += width;
  }
  view->setMinimumWidth(fixedWidth + kColumnWidth);
}

QTreeView* MakeTreeView(FolderTreeModel* model, QWidget* parent) {
  auto* view = new QTreeView(parent);
  view->setObjectName(QStringLiteral("folderTree"));
  view->setModel(model);
  view->setHeaderHidden(true);
  view->setUniformRowHeights(true);  // expanding 100,000 folders must not measure each row
  view->setExpandsOnDoubleClick(false);
  return view;
}

QTableView* MakeListView(FileListModel* model, QWidget* parent) {
  auto* view = new QTableView(parent);
  view->setObjectName(QStringLiteral("fileList"));
  view->setModel(model);
  view->setShowGrid(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  // Fixed row heights: a folder of 100,000 files lists without measuring its rows.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SizeColumnsToContent(view);
  return view;
}

}  // namespace

VolumeBrowser::VolumeBrowser(QWidget* parent)
    : QWidget(parent), folders_(new FolderTreeModel(this)), files_(new FileListModel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  splitter_ = new QSplitter(this);
  treeView_ = MakeTreeView(folders_, splitter_);
  listView_ = MakeListView(files_, splitter_);
  splitter_->addWidget(treeView_);
  splitter_->addWidget(listView_);
  splitter_->setStretchFactor(1, 1);
  layout->addWidget(splitter_);
  connect(folders_, &FolderTreeModel::checkClicked, this, &VolumeBrowser::OnFolderCheck);
  connect(files_, &FileListModel::checkClicked, this, &VolumeBrowser::OnRowCheck);
  connect(treeView_, &QTreeView::clicked, this, &VolumeBrowser::OnFolderClicked);
  connect(treeView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ShowFolder(folders_->FolderAt(current)); });
  connect(listView_, &QTableView::doubleClicked, this, &VolumeBrowser::OnRowDoubleClicked);
  connect(listView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &VolumeBrowser::OnCurrentRow);
  treeView_->installEventFilter(this);
  listView_->installEventFilter(this);
}

void VolumeBrowser::AddBesideList(QWidget* pane) {
  splitter_->addWidget(pane);
  splitter_->setStretchFactor(2, 0);
  splitter_->setSizes({kColumnWidth, listView_->minimumWidth(), pane->sizeHint().width()});
}

bool VolumeBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F3)
    return QWidget::eventFilter(watched, event);
  listView_->clearSelection();
  emit findNextPressed();
  return true;
}

void VolumeBrowser::SetUnreadAreas(const volume::UnreadAreas* areas, std::int64_t poolBase) {
  files_->SetUnreadAreas(areas, poolBase);
}

void VolumeBrowser::Attach(volume::FileTree* tree) {
  const bool wasLive = live_ != nullptr;
  live_ = nullptr;
  tree_ = tree;
  const volume::FolderId shown = CurrentFolder();
  if (wasLive && folders_->Continue(tree)) {
    folders_->ShowChecks(true);
    CollapseBelowTop();
    ShowFolder(shown == volume::kNoFolder ? tree->Top() : shown);
    return;
  }
  folders_->Attach(tree);
  files_->Clear();
  if (!tree) return;
  const QModelIndex top = folders_->IndexOf(tree->Top());
  treeView_->expand(top);
  treeView_->setCurrentIndex(top);
  ShowFolder(tree->Top());
}

// A finished scan shows its top folders collapsed; the folder whose files are listed stays listed.
void VolumeBrowser::CollapseBelowTop() {
  treeView_->collapseAll();
  treeView_->expand(folders_->IndexOf(tree_->Top()));
}

void VolumeBrowser::ShowLive(const volume::FileTree* live) {
  tree_ = nullptr;
  live_ = live;
  folders_->Attach(live);
  folders_->ShowChecks(false);
  files_->Clear();
  treeView_->expand(folders_->IndexOf(live->Top()));
}

void VolumeBrowser::LiveGrown() {
  folders_->Grow();
  folders_->ChecksChanged();  // the top item's label comes with the first batch
  const QModelIndex top = folders_->IndexOf(live_->Top());
  if (!treeView_->isExpanded(top)) treeView_->expand(top);
}

void VolumeBrowser::SetRecovering(bool recovering) {
  folders_->ShowChecks(!recovering);
  if (recovering) {
    files_->Clear();
  } else if (tree_) {
    ShowFolder(CurrentFolder() == volume::kNoFolder ? tree_->Top() : CurrentFolder());
  }
}

volume::FolderId VolumeBrowser::CurrentFolder() const {
  return folders_->FolderAt(treeView_->currentIndex());
}

void VolumeBrowser::ShowFolder(volume::FolderId folder) {
  const volume::FileTree* shown = tree_ ? tree_ : live_;
  if (!shown || folder == volume::kNoFolder) return;
  files_->Show(shown, folder);
  emit fileChosen(volume::kNoRecord);
}

void VolumeBrowser::SelectAll() {
  if (tree_) Applied(volume::SelectAll(*tree_));
}

void VolumeBrowser::UnselectAll() {
  if (tree_) Applied(volume::UnselectAll(*tree_));
}

void VolumeBrowser::ShowMatch(volume::FolderId folder, std::uint32_t row) {
  const QModelIndex index = folders_->IndexOf(folder);
  for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
    treeView_->expand(above);
  treeView_->expand(index);
  treeView_->setCurrentIndex(index);
  treeView_->scrollTo(index);
  if (files_->Folder() != folder) ShowFolder(folder);  // the list was emptied by a notice
  const QModelIndex cell = files_->index(static_cast<int>(row) - 1, 0);
  listView_->setFocus();
  listView_->selectionModel()->setCurrentIndex(
      cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  listView_->scrollTo(cell);
}

void VolumeBrowser::ClearList() {
  files_->Clear();
  emit fileChosen(volume::kNoRecord);  // the preview goes with the rows
}

void VolumeBrowser::OnFolderCheck(volume::FolderId folder) {
  // The click that ticked is no click to open or close the folder; a tick by key has no click.
  checkClicked_ = true;
  QTimer::singleShot(0, this, [this] { checkClicked_ = false; });
  if (!tree_) return;  // a live tree is looked at, not ticked
  const volume::SelectionChange change = volume::ToggleFolder(*tree_, folder);
  treeView_->setCurrentIndex(folders_->IndexOf(folder));  // the folder becomes the current one
  Applied(change);
}

void VolumeBrowser::OnRowCheck(int row) {
  if (!tree_) return;
  Applied(volume::ToggleRow(*tree_, files_->Folder(), files_->RowAt(row)));
}

void VolumeBrowser::OnFolderClicked(const QModelIndex& index) {
  if (std::exchange(checkClicked_, false)) return;
  treeView_->setExpanded(index, !treeView_->isExpanded(index));
}

// A double click on a folder row opens that folder in the tree.
void VolumeBrowser::OnRowDoubleClicked(const QModelIndex& index) {
  const volume::RowRef& row = files_->RowAt(index.row());
  if (!row.folder) return;
  const QModelIndex folder = folders_->IndexOf(row.folderId);
  treeView_->setExpanded(folder, !treeView_->isExpanded(folder));
  treeView_->setCurrentIndex(folder);
  treeView_->scrollTo(folder);
}

// A click or a key that moves to a file row; a model reset (another folder) leaves no row.
void VolumeBrowser::OnCurrentRow(const QModelIndex& index) {
  const bool file = tree_ && index.isValid() && !files_->RowAt(index.row()).folder;
  emit fileChosen(file ? files_->RowAt(index.row()).record : volume::kNoRecord);
}

void VolumeBrowser::Applied(const volume::SelectionChange& change) {
  folders_->ChecksChanged();
  files_->ChecksChanged();
  emit selectionChanged(change);
}

}  // namespace kestrel::gui
