// SPDX-License-Identifier: Apache-2.0
#include "gui/diskscan/CScanDisk.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ShellTexts.h"
#include "diskscan/DiskScanPage.h"
#include "diskscan/DiskScanner.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/common/StopQuestion.h"
#include "gui/disk/DescriptionPanels.h"
#include "gui/disk/ScanPages.h"
#include "gui/volume/PressesStopScan.h"
#include "gui/volume/StopScanning.h"

namespace kestrel::gui {
namespace {

// A pool entry carries its place in pools_; a volume entry also its place in the pool.
constexpr int kPoolRole = Qt::UserRole;
constexpr int kVolumeRole = Qt::UserRole + 1;

disk::MediaEntryKind KindOf(const QTreeWidgetItem* item) {
  if (!item || item->data(0, kPoolRole).isNull()) return disk::MediaEntryKind::Root;
  return item->data(0, kVolumeRole).isNull() ? disk::MediaEntryKind::Pool
                                             : disk::MediaEntryKind::Volume;
}

}  // namespace

CScanDisk::CScanDisk(disk::DiskReader reader, std::string sourcePath, const app::LogReport& log,
                     QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent),
      log_(log),
      search_(
          std::make_unique<CthreadForScanDisk>(std::move(reader), std::move(sourcePath), nullptr)) {
  setObjectName(QStringLiteral("CScanDisk"));
  resize(860, 560);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(BuildTree());
  panels_ = new DescriptionPanels(DescriptionPanels::WhereLine::Without, this);
  splitter->addWidget(panels_);
  splitter->setStretchFactor(1, 1);
  Body()->addWidget(splitter, 1);
  Body()->addWidget(BuildStatusArea());
  Body()->addLayout(BuildButtons());
  connect(search_.get(), &CthreadForScanDisk::poolFound, this, &CScanDisk::OnPoolFound);
  connect(search_.get(), &CthreadForScanDisk::progressed, this, &CScanDisk::OnProgress);
  connect(search_.get(), &CthreadForScanDisk::finished, this, &CScanDisk::OnSearchEnded);
  OnSelectionChanged();
  search_->Start();
}

QWidget* CScanDisk::BuildTree() {
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(CaptionLabel(diskscan::kDiskScanCaption, 15, box));
  tree_ = new QTreeWidget(box);
  layout->addWidget(tree_);
  tree_->setObjectName(QStringLiteral("diskTree"));
  tree_->setHeaderHidden(true);
  tree_->setExpandsOnDoubleClick(false);
  root_ = new QTreeWidgetItem(tree_, {ToQString(diskscan::kDiskScanTreeRoot)});
  root_->setIcon(0, QIcon::fromTheme(QStringLiteral("drive-harddisk")));
  root_->setExpanded(true);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CScanDisk::OnSelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &CScanDisk::OnContinue);
  return box;
}

QWidget* CScanDisk::BuildStatusArea() {
  auto* area = new QWidget(this);
  auto* layout = new QHBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  status_ = PanelLabel("statusText", area);
  bar_ = new QProgressBar(area);
  bar_->setObjectName(QStringLiteral("scanProgress"));
  bar_->setRange(0, 100);
  bar_->setValue(1);
  detail_ = PanelLabel("progressDetail", area);
  layout->addWidget(status_, 1);
  layout->addWidget(bar_, 2);
  layout->addWidget(detail_, 2);
  return area;
}

QLayout* CScanDisk::BuildButtons() {
  const WorkPageButtons buttons = MakeWorkPageButtons(
      this, diskscan::kStopScanningCaption, "STOPSCAN", "Scan the selected entry",
      [this](app::LeaveButton button) { Leave(button); });
  home_ = buttons.home;
  back_ = buttons.back;
  stop_ = buttons.stop;
  continue_ = buttons.proceed;
  for (QPushButton* button : {home_, back_, continue_}) button->setEnabled(false);
  connect(continue_, &QPushButton::clicked, this, &CScanDisk::OnContinue);
  connect(stop_, &QPushButton::clicked, this, &CScanDisk::OnStop);
  return buttons.row;
}

void CScanDisk::OnPoolFound(const disk::PoolEntry& pool) {
  const int p = static_cast<int>(pools_.size());
  pools_.push_back(pool);
  auto* poolItem = new QTreeWidgetItem(root_, {ToQString(diskscan::DiskScanPoolLabel(pool))});
  poolItem->setIcon(0, QIcon::fromTheme(QStringLiteral("network-server")));
  poolItem->setData(0, kPoolRole, p);
  for (int v = 0; v < static_cast<int>(pool.volumes.size()); ++v) {
    auto* item =
        new QTreeWidgetItem(poolItem, {ToQString(diskscan::DiskScanVolumeLabel(pool.volumes[v]))});
    item->setIcon(0, QIcon::fromTheme(QStringLiteral("folder-remote")));
    item->setData(0, kPoolRole, p);
    item->setData(0, kVolumeRole, v);
  }
  poolItem->setExpanded(true);
}

void CScanDisk::OnProgress(int percent, const QString& status, const QString& detail) {
  bar_->setValue(std::max(1, percent));
  status_->setText(status);
  detail_->setText(detail);
}

// Finished or stopped: what was found stays and can be opened.
void CScanDisk::OnSearchEnded() {
  status_->clear();
  detail_->clear();
  bar_->setValue(100);
  bar_->hide();
  stop_->setEnabled(false);
  stop_->hide();
  home_->setEnabled(true);
  back_->setEnabled(true);
  OnSelectionChanged();
}

void CScanDisk::OnSelectionChanged() {
  const disk::MediaEntryKind kind = KindOf(tree_->currentItem());
  panels_->Show(kind == disk::MediaEntryKind::Root ? diskscan::kDiskScanRootTexts
                                                   : disk::PanelTextsFor(kind));
  continue_->setEnabled(!search_->IsRunning() && kind != disk::MediaEntryKind::Root);
}

void CScanDisk::OnContinue() {
  const QTreeWidgetItem* item = tree_->currentItem();
  const disk::MediaEntryKind kind = KindOf(item);
  if (search_->IsRunning() || kind == disk::MediaEntryKind::Root) return;
  const disk::PoolEntry& pool = pools_[static_cast<std::size_t>(item->data(0, kPoolRole).toInt())];
  if (kind == disk::MediaEntryKind::Pool) {
    OpenScanPage(NewPoolPage(pool, log_, this));
    return;
  }
  const auto& volume = pool.volumes[static_cast<std::size_t>(item->data(0, kVolumeRole).toInt())];
  OpenScanPage(NewVolumePage(volume, search_->Result().chain, log_, this));
}

void CScanDisk::OnStop() {
  PressesStopScan question(this);
  if (AskToStop(question, *search_)) stop_->setEnabled(false);
}

void CScanDisk::Leave(app::LeaveButton button) {
  if (search_->IsRunning()) {
    StopScanning(this).exec();
    return;
  }
  EndPage(app::ScanPageResult(button));
}

}  // namespace kestrel::gui
