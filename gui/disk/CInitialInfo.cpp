// SPDX-License-Identifier: Apache-2.0
#include "gui/disk/CInitialInfo.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "disk/DiskWhereabouts.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "disk/raid/AssembledSets.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/disk/DescriptionPanels.h"
#include "gui/disk/RaidAssemblyDialog.h"
#include "gui/disk/ScanPages.h"

namespace kestrel::gui {
namespace {

// Each tree entry carries its kind and where it lies in the media tree.
constexpr int kKindRole = Qt::UserRole;
constexpr int kDiskRole = Qt::UserRole + 1;
constexpr int kPoolRole = Qt::UserRole + 2;
constexpr int kVolumeRole = Qt::UserRole + 3;
constexpr int kWhereRole = Qt::UserRole + 4;  // a disk's device or image file, model and size

QIcon MediaIcon(disk::MediaEntryKind kind) {
  switch (kind) {
    case disk::MediaEntryKind::Root:
      return QIcon::fromTheme(QStringLiteral("computer"));
    case disk::MediaEntryKind::Disk:
      return QIcon::fromTheme(QStringLiteral("drive-harddisk"));
    case disk::MediaEntryKind::Pool:
      return QIcon::fromTheme(QStringLiteral("network-server"));
    case disk::MediaEntryKind::Volume:
      break;
  }
  return QIcon::fromTheme(QStringLiteral("folder-remote"));
}

QTreeWidgetItem* AddEntry(QTreeWidgetItem* parent, const std::u16string& label,
                          disk::MediaEntryKind kind, int diskIndex, int pool = -1,
                          int volume = -1) {
  auto* item = new QTreeWidgetItem(parent, {ToQString(label)});
  item->setIcon(0, MediaIcon(kind));
  item->setData(0, kKindRole, static_cast<int>(kind));
  item->setData(0, kDiskRole, diskIndex);
  item->setData(0, kPoolRole, pool);
  item->setData(0, kVolumeRole, volume);
  return item;
}

disk::MediaEntryKind KindOf(const QTreeWidgetItem* item) {
  return item ? static_cast<disk::MediaEntryKind>(item->data(0, kKindRole).toInt())
              : disk::MediaEntryKind::Root;
}

}  // namespace

CInitialInfo::CInitialInfo(const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent), log_(log) {
  setObjectName(QStringLiteral("CInitialInfo"));
  resize(820, 520);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(BuildTree());
  panels_ = new DescriptionPanels(DescriptionPanels::WhereLine::With, this);
  panels_->Show(disk::PanelTextsFor(disk::MediaEntryKind::Root));
  splitter->addWidget(panels_);
  splitter->setStretchFactor(1, 1);
  Body()->addWidget(splitter, 1);
  Body()->addLayout(BuildButtons());
  FillTree();
}

QWidget* CInitialInfo::BuildTree() {
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(CaptionLabel(disk::kMediaPageCaption, 15, box));
  tree_ = new QTreeWidget(box);
  tree_->setObjectName(QStringLiteral("mediaTree"));
  tree_->setHeaderHidden(true);
  tree_->setExpandsOnDoubleClick(false);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CInitialInfo::OnSelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &CInitialInfo::OnContinue);
  layout->addWidget(tree_);
  return box;
}

QLayout* CInitialInfo::BuildButtons() {
  auto* row = new QHBoxLayout;
  QPushButton* home = SkinButton(disk::kHomeCaption, "HOME", "homeButton", this);
  QPushButton* back = SkinButton(disk::kBackCaption, "BACK", "backButton", this);
  continue_ = SkinButton(disk::kContinueCaption, "Scan the selected entry", "continueButton", this);
  continue_->setEnabled(false);
  QPushButton* assemble =
      SkinButton(disk::kAssembleRaidCaption, "Assemble the members of a RAID set into one disk",
                 "assembleRaidButton", this);
  connect(home, &QPushButton::clicked, this, [this] { Leave(app::LeaveButton::Home); });
  connect(back, &QPushButton::clicked, this, [this] { Leave(app::LeaveButton::Back); });
  connect(continue_, &QPushButton::clicked, this, &CInitialInfo::OnContinue);
  connect(assemble, &QPushButton::clicked, this, &CInitialInfo::OnAssembleRaid);
  for (QPushButton* button : {home, back, HelpButton(this), AboutButton(this), LogButton(this)})
    row->addWidget(button);
  row->addStretch();
  row->addWidget(assemble);
  row->addWidget(continue_);
  return row;
}

void CInitialInfo::FillTree() {
  media_ =
      disk::DiscoverMedia([](int n) { return disk::OpenSource(disk::PhysicalDriveName(n)); }, log_);
  disk::AddAssembledSets(media_, log_, disk::DiscoveryLog::MediaPage);
  auto* root = new QTreeWidgetItem(tree_, {ToQString(disk::kMediaTreeRoot)});
  root->setIcon(0, MediaIcon(disk::MediaEntryKind::Root));
  root->setData(0, kKindRole, static_cast<int>(disk::MediaEntryKind::Root));
  for (int d = 0; d < static_cast<int>(media_.disks.size()); ++d) AddDiskItem(d);
  tree_->expandAll();
}

void CInitialInfo::AddDiskItem(int diskIndex) {
  const disk::DiskEntry& entry = media_.disks[diskIndex];
  QTreeWidgetItem* diskItem =
      AddEntry(tree_->topLevelItem(0), entry.Label(), disk::MediaEntryKind::Disk, diskIndex);
  const QString where = ToQString(disk::WhereaboutsText(disk::LocateDisk(entry)));
  diskItem->setData(0, kWhereRole, where);
  diskItem->setToolTip(0, entry.status.ok() ? where : ToQString(entry.status.message));
  diskItem->setExpanded(true);
  for (int p = 0; p < static_cast<int>(entry.pools.size()); ++p) {
    const disk::PoolEntry& pool = entry.pools[p];
    QTreeWidgetItem* poolItem =
        AddEntry(diskItem, pool.Label(), disk::MediaEntryKind::Pool, diskIndex, p);
    poolItem->setExpanded(true);
    for (int v = 0; v < static_cast<int>(pool.volumes.size()); ++v)
      AddEntry(poolItem, pool.volumes[v].Label(), disk::MediaEntryKind::Volume, diskIndex, p, v);
  }
}

void CInitialInfo::OnAssembleRaid() {
  auto entry = AssembleRaidDisk(media_, log_, disk::DiscoveryLog::MediaPage, this);
  if (!entry) return;
  media_.disks.push_back(std::move(*entry));
  AddDiskItem(static_cast<int>(media_.disks.size()) - 1);
  tree_->setCurrentItem(tree_->topLevelItem(0)->child(tree_->topLevelItem(0)->childCount() - 1));
}

void CInitialInfo::OnSelectionChanged() {
  const QTreeWidgetItem* item = tree_->currentItem();
  const disk::MediaEntryKind kind = KindOf(item);
  panels_->Show(disk::PanelTextsFor(kind));
  panels_->ShowWhere(kind == disk::MediaEntryKind::Disk ? item->data(0, kWhereRole).toString()
                                                        : QString());
  continue_->setEnabled(disk::ContinueEnabled(kind));
}

void CInitialInfo::OnContinue() {
  const QTreeWidgetItem* item = tree_->currentItem();
  const disk::ScanPage scanPage = disk::ScanPageFor(KindOf(item));
  if (scanPage == disk::ScanPage::None) return;
  const disk::DiskEntry& diskEntry = media_.disks[item->data(0, kDiskRole).toInt()];
  if (scanPage == disk::ScanPage::DiskScan) {
    OpenScanPage(NewDiskScanPage(diskEntry, log_, this));
    return;
  }
  const disk::PoolEntry& pool = diskEntry.pools[item->data(0, kPoolRole).toInt()];
  if (scanPage == disk::ScanPage::PoolScan) {
    OpenScanPage(NewPoolPage(pool, log_, this));
    return;
  }
  OpenScanPage(
      NewVolumePage(pool.volumes[item->data(0, kVolumeRole).toInt()], diskEntry.chain, log_, this));
}

void CInitialInfo::Leave(app::LeaveButton button) {
  EndPage(app::MediaPageResult(button));
}

void CInitialInfo::CloseRequested() {
  Leave(app::LeaveButton::Close);
}

}  // namespace kestrel::gui
