// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/CCreateImageItems.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "disk/MediaPage.h"
#include "disk/platform/Platform.h"
#include "disk/raid/AssembledSets.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/destination/FileExist.h"
#include "gui/destination/InsufficientSpace.h"
#include "gui/disk/RaidAssemblyDialog.h"
#include "gui/imaging/EvidenceFileDialog.h"
#include "imaging/CopyTexts.h"
#include "imaging/EwfImage.h"
#include "imaging/ImageDestination.h"
#include "imaging/ImagingRange.h"
#include "imaging/RescueImaging.h"

namespace kestrel::gui {
namespace {

// A disk entry carries its place in the media tree; a pool entry also its place on the disk.
constexpr int kDiskRole = Qt::UserRole;
constexpr int kPoolRole = Qt::UserRole + 1;

QTreeWidgetItem* AddEntry(QTreeWidgetItem* parent, const std::u16string& label, const char* icon,
                          int disk, int pool = -1) {
  auto* item = new QTreeWidgetItem(parent, {ToQString(label)});
  item->setIcon(0, QIcon::fromTheme(QString::fromLatin1(icon)));
  item->setData(0, kDiskRole, disk);
  item->setData(0, kPoolRole, pool);
  return item;
}

// The whole disk, or its pool number `pool` (m_imageOfDisk or m_imageOfPool).
ImagingChoice ChoiceFor(const disk::DiskEntry& entry, int pool) {
  ImagingChoice choice;
  choice.sourcePath = entry.node.sourcePath;  // a disk's logical name, or a RAID set's
  choice.range = imaging::DiskImageRange(entry.sectorCount);
  if (pool >= 0) {
    choice.range = imaging::PoolImageRange(entry.pools[pool], entry.sectorCount);
    choice.poolImage = true;
  }
  return choice;
}

}  // namespace

CCreateImageItems::CCreateImageItems(const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent), log_(log) {
  setObjectName(QStringLiteral("CCreateImageItems"));
  resize(760, 480);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(BuildTree());
  splitter->addWidget(BuildItemInformation());
  splitter->setStretchFactor(1, 1);
  Body()->addWidget(splitter, 1);
  Body()->addLayout(BuildButtons());
  FillTree();
  OnSelectionChanged();
}

QWidget* CCreateImageItems::BuildTree() {
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("sourceTree"));
  tree_->setHeaderHidden(true);
  tree_->setExpandsOnDoubleClick(false);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CCreateImageItems::OnSelectionChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &CCreateImageItems::OnContinue);
  return tree_;
}

QWidget* CCreateImageItems::BuildItemInformation() {
  auto* group = new QGroupBox(ToQString(imaging::kItemInformationCaption), this);
  auto* layout = new QVBoxLayout(group);
  const char* names[] = {"itemSize", "itemStart", "itemEnd"};
  for (std::size_t i = 0; i < itemLines_.size(); ++i) {
    itemLines_[i] = new QLabel(group);
    itemLines_[i]->setObjectName(QString::fromLatin1(names[i]));
    itemLines_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(itemLines_[i]);
  }
  layout->addStretch();
  return group;
}

QLayout* CCreateImageItems::BuildButtons() {
  auto* row = new QHBoxLayout;
  QPushButton* home = SkinButton(disk::kHomeCaption, "HOME", "homeButton", this);
  QPushButton* back = SkinButton(disk::kBackCaption, "BACK", "backButton", this);
  continue_ =
      SkinButton(disk::kContinueCaption, "Image the selected disk or pool", "continueButton", this);
  connect(home, &QPushButton::clicked, this,
          [this] { EndPage(app::ImagingPageResult(app::LeaveButton::Home)); });
  connect(back, &QPushButton::clicked, this,
          [this] { EndPage(app::ImagingPageResult(app::LeaveButton::Back)); });
  connect(continue_, &QPushButton::clicked, this, &CCreateImageItems::OnContinue);
  QPushButton* assemble =
      SkinButton(disk::kAssembleRaidCaption, "Assemble the members of a RAID set into one disk",
                 "assembleRaidButton", this);
  connect(assemble, &QPushButton::clicked, this, &CCreateImageItems::OnAssembleRaid);
  for (QPushButton* button : {home, back, HelpButton(this), AboutButton(this), LogButton(this)})
    row->addWidget(button);
  row->addStretch();
  row->addWidget(assemble);
  rescue_ = new QCheckBox(ToQString(imaging::kRescueCaption), this);
  rescue_->setObjectName(QStringLiteral("rescueBox"));
  rescue_->setToolTip(ToQString(imaging::kRescueToolTip));
  row->addWidget(rescue_);
  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("formatBox"));
  format_->addItem(ToQString(imaging::kRawImageFormat));
  if (imaging::WritesEwf()) format_->addItem(ToQString(imaging::kEwfImageFormat));
  format_->setEnabled(format_->count() > 1);
  // A rescue writes out of order and resumes from its map: it makes raw images only.
  connect(format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index != 0) rescue_->setChecked(false);
    rescue_->setEnabled(index == 0);
  });
  row->addWidget(new QLabel(ToQString(imaging::kImageFormatCaption), this));
  row->addWidget(format_);
  row->addWidget(continue_);
  return row;
}

// The list is the imaging page's, not the media page's: the log gets no "Reading Netware
// partitions" lines from it.
void CCreateImageItems::FillTree() {
  media_ = disk::DiscoverMedia([](int n) { return disk::OpenSource(disk::PhysicalDriveName(n)); },
                               log_, disk::DiscoveryLog::UnreadableOnly);
  disk::AddAssembledSets(media_, log_, disk::DiscoveryLog::UnreadableOnly);
  auto* root = new QTreeWidgetItem(tree_, {ToQString(disk::kMediaTreeRoot)});
  root->setIcon(0, QIcon::fromTheme(QStringLiteral("computer")));
  for (int d = 0; d < static_cast<int>(media_.disks.size()); ++d) AddDiskItem(d);
  tree_->expandAll();
}

void CCreateImageItems::AddDiskItem(int diskIndex) {
  const disk::DiskEntry& entry = media_.disks[diskIndex];
  QTreeWidgetItem* diskItem =
      AddEntry(tree_->topLevelItem(0), entry.Label(), "drive-harddisk", diskIndex);
  if (!entry.status.ok()) diskItem->setToolTip(0, ToQString(entry.status.message));
  diskItem->setExpanded(true);
  for (int p = 0; p < static_cast<int>(entry.pools.size()); ++p)
    AddEntry(diskItem, entry.pools[p].Label(), "network-server", diskIndex, p);
}

void CCreateImageItems::OnAssembleRaid() {
  auto entry = AssembleRaidDisk(media_, log_, disk::DiscoveryLog::UnreadableOnly, this);
  if (!entry) return;
  media_.disks.push_back(std::move(*entry));
  AddDiskItem(static_cast<int>(media_.disks.size()) - 1);
  tree_->setCurrentItem(tree_->topLevelItem(0)->child(tree_->topLevelItem(0)->childCount() - 1));
}

void CCreateImageItems::OnSelectionChanged() {
  const QTreeWidgetItem* item = tree_->currentItem();
  chosen_.reset();
  if (item && !item->data(0, kDiskRole).isNull()) {
    chosen_ =
        ChoiceFor(media_.disks[item->data(0, kDiskRole).toInt()], item->data(0, kPoolRole).toInt());
  }
  const bool copyable = chosen_ && chosen_->range.Count() != 0;
  const auto lines =
      imaging::ItemInformationLines(chosen_ ? chosen_->range : imaging::SectorRange{});
  for (std::size_t i = 0; i < itemLines_.size(); ++i)
    itemLines_[i]->setText(chosen_ ? ToQString(lines[i]) : QString());
  continue_->setEnabled(copyable);
}

void CCreateImageItems::OnContinue() {
  if (!continue_->isEnabled() || !chosen_) return;
  if (auto choice = WithImageFile(*chosen_))
    OpenScanPage(new CImageCreation(std::move(*choice), log_, this));
}

std::optional<ImagingChoice> CCreateImageItems::WithImageFile(ImagingChoice choice) {
  QFileDialog dialog(this, ToQString(imaging::kImageFileDialogTitle));
  dialog.setObjectName(QStringLiteral("imageFileDialog"));
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const bool ewf = format_->currentIndex() != 0;
  dialog.setNameFilter(ToQString(ewf ? imaging::kEwfFileFilter : imaging::kImageFileFilter));
  dialog.selectFile(ToQString(imaging::kImageFileInitialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  if (!NameImage(choice, dialog.selectedFiles().constFirst())) return std::nullopt;
  if (auto refusal = imaging::ImageDestinationRefusal(choice.imagePath, choice.sourcePath)) {
    NoticeDialog("ImageDestinationRefused", refusal->message, {NoticeDialog::kOk}, this).exec();
    return std::nullopt;
  }
  const bool exists = platform::PathExists(choice.imagePath);
  if (exists && !choice.ewf && ResumesRescue(choice)) {
    choice.rescue = true;  // a resumed rescue needs no more room than the image already has
    return choice;
  }
  if (!HasRoomForImage(choice)) return std::nullopt;
  if (exists) {
    if (FileExist(this).exec() != QDialog::Accepted) return std::nullopt;
    choice.replace = true;
  }
  choice.rescue = rescue_->isChecked();
  return choice;
}

bool CCreateImageItems::NameImage(ImagingChoice& choice, const QString& chosen) {
  if (format_->currentIndex() == 0) {
    choice.imagePath = imaging::ImagePathForChosenName(ToUtf8String(chosen));
    return true;
  }
  EvidenceFileDialog fields(this);
  if (fields.exec() != QDialog::Accepted) return false;
  choice.imagePath = imaging::EwfFirstSegmentPath(ToUtf8String(chosen));
  choice.ewf = fields.Settings();
  choice.ewf->physicalMedia = !choice.poolImage;
  return true;
}

bool CCreateImageItems::HasRoomForImage(const ImagingChoice& choice) {
  if (!imaging::NeedsRoomForWholeRange(choice.ewf)) return true;
  const auto room = imaging::CheckRoomForImage(choice.imagePath, choice.range);
  if (!room) return true;
  if (room->message == imaging::kInsufficientSpace) {
    InsufficientSpace(this).exec();
  } else {
    NoticeDialog("ImageDestinationRefused", room->message, {NoticeDialog::kOk}, this).exec();
  }
  return false;
}

// A map that names another source or range is no rescue of this choice: it is never offered.
bool CCreateImageItems::ResumesRescue(const ImagingChoice& choice) {
  const imaging::RescueJob job{
      {}, choice.sourcePath, choice.range, imaging::DefaultMapPath(choice.imagePath)};
  const auto earlier = imaging::LoadRescueMap(job);
  if (!earlier.ok() || earlier.value().phase == imaging::RescuePhase::Finished) return false;
  return NoticeDialog("ResumeRescue", imaging::kResumeRescueQuestion,
                      {NoticeDialog::kYes, NoticeDialog::kNo}, this)
             .exec() == QDialog::Accepted;
}

}  // namespace kestrel::gui
