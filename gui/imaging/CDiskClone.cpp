// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/CDiskClone.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "disk/MediaPage.h"
#include "disk/platform/Platform.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/disk/DescriptionPanels.h"
#include "gui/imaging/CCloneWarningMessage.h"
#include "gui/imaging/CopyRun.h"
#include "gui/imaging/ProgressGridView.h"
#include "imaging/CloneChoice.h"
#include "imaging/CopyTexts.h"
#include "imaging/DiskClone.h"

namespace kestrel::gui {
namespace {

QComboBox* DriveList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

}  // namespace

CDiskClone::CDiskClone(const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent),
      log_(log),
      run_(std::make_unique<CopyRun>(nullptr)) {
  setObjectName(QStringLiteral("CDiskClone"));
  Body()->addWidget(BuildChoice());
  Body()->addWidget(BuildProgressArea(), 1);
  Body()->addLayout(BuildButtons());
  connect(run_.get(), &CopyRun::progressed, this, &CDiskClone::OnProgress);
  connect(run_.get(), &CopyRun::finished, this, &CDiskClone::OnFinished);
  FillLists();
  SetRunning(false);
}

CDiskClone::~CDiskClone() = default;

QWidget* CDiskClone::BuildChoice() {
  auto* group = new QWidget(this);
  auto* layout = new QFormLayout(group);
  source_ = DriveList("sourceList", group);
  destination_ = DriveList("destinationList", group);
  layout->addRow(ToQString(imaging::kCloneSourceCaption), source_);
  layout->addRow(ToQString(imaging::kCloneDestinationCaption), destination_);
  refusal_ = PanelLabel("refusalText", group);
  refusal_->setStyleSheet(QStringLiteral("color: #b00000"));
  layout->addRow(refusal_);
  for (QComboBox* list : {source_, destination_}) {
    connect(list, &QComboBox::currentIndexChanged, this, &CDiskClone::OnSelectionChanged);
  }
  return group;
}

QWidget* CDiskClone::BuildProgressArea() {
  auto* area = new QWidget(this);
  auto* layout = new QHBoxLayout(area);
  grid_ = new ProgressGridView(ProgressGridView::Palette::Cloning, area);
  layout->addWidget(grid_, 0, Qt::AlignTop);
  auto* side = new QVBoxLayout;
  side->addWidget(SymbolsLegend(*grid_, area));
  auto* fields = new QFormLayout;
  blockSize_ = PanelLabel("blockSize", area);
  processed_ = PanelLabel("processed", area);
  processing_ = PanelLabel("processing", area);
  fields->addRow(ToQString(imaging::kBlockSizeCaption), blockSize_);
  fields->addRow(ToQString(imaging::kProcessedCaption), processed_);
  fields->addRow(ToQString(imaging::kProcessingCaption), processing_);
  side->addLayout(fields);
  bar_ = new QProgressBar(area);
  bar_->setObjectName(QStringLiteral("cloningProgress"));
  bar_->setRange(0, 100);
  side->addWidget(bar_);
  detail_ = PanelLabel("progressDetail", area);
  status_ = PanelLabel("statusText", area);
  side->addWidget(detail_);
  side->addWidget(status_);
  side->addStretch();
  layout->addLayout(side, 1);
  return area;
}

QLayout* CDiskClone::BuildButtons() {
  auto* row = new QHBoxLayout;
  home_ = SkinButton(disk::kHomeCaption, "HOME", "homeButton", this);
  back_ = SkinButton(disk::kBackCaption, "BACK", "backButton", this);
  start_ = SkinButton(imaging::kStartCloningCaption, "Copy the source disk onto the destination",
                      "startCloningButton", this);
  stop_ = SkinButton(imaging::kStopCloningCaption, "Stop the cloning", "stopCloningButton", this);
  connect(home_, &QPushButton::clicked, this, [this] { Leave(app::LeaveButton::Home); });
  connect(back_, &QPushButton::clicked, this, [this] { Leave(app::LeaveButton::Back); });
  connect(start_, &QPushButton::clicked, this, &CDiskClone::OnStart);
  connect(stop_, &QPushButton::clicked, this, &CDiskClone::OnStop);
  for (QPushButton* button : {home_, back_, HelpButton(this), LogButton(this)})
    row->addWidget(button);
  row->addStretch();
  row->addWidget(start_);
  row->addWidget(stop_);
  return row;
}

// Each line keeps its drive's place in drives_: the drive is never read back from the text.
void CDiskClone::FillLists() {
  drives_ = imaging::CloneDrives(disk::ListDisks());
  for (QComboBox* list : {source_, destination_}) {
    const QSignalBlocker quiet(list);
    list->clear();
    for (int i = 0; i < static_cast<int>(drives_.size()); ++i)
      list->addItem(ToQString(imaging::CloneDriveLine(drives_[i],
                                                      platform::DiskDevicePath(drives_[i].number))),
                    i);
    list->setCurrentIndex(-1);
  }
  OnSelectionChanged();
}

const disk::DriveListEntry* CDiskClone::Chosen(const QComboBox* list) const {
  const QVariant place = list->currentData();
  return place.isValid() ? &drives_[static_cast<std::size_t>(place.toInt())] : nullptr;
}

void CDiskClone::OnSelectionChanged() {
  const disk::DriveListEntry* source = Chosen(source_);
  const disk::DriveListEntry* destination = Chosen(destination_);
  start_->setEnabled(!run_->IsRunning() && imaging::CanStartCloning(source, destination));
  const auto refusal =
      source && destination ? imaging::CloneRefusal(*source, *destination) : std::nullopt;
  refusal_->setText(refusal ? BreakOnlyAtSpaces(ToQString(refusal->message)) : QString());
  blockSize_->setText(source ? ToQString(imaging::BlockSizeText(
                                   imaging::ProgressGrid(source->sectorCount).BlockSectors()))
                             : QString());
}

void CDiskClone::OnStart() {
  const disk::DriveListEntry* source = Chosen(source_);
  const disk::DriveListEntry* destination = Chosen(destination_);
  if (run_->IsRunning() || !imaging::CanStartCloning(source, destination)) return;
  if (Refused(*source, *destination)) return;
  if (CCloneWarningMessage(this).exec() != QDialog::Accepted) return;
  SetRunning(true);
  status_->clear();
  run_->Start(
      [from = source->number, sectors = source->sectorCount, to = destination->number, &log = log_](
          imaging::CopyStatus& status, app::ProgressObserver& observer, std::stop_token stop) {
        return imaging::CloneDisks(from, sectors, to, status, observer, std::move(stop), log);
      });
}

// A disk that changed since the lists were made is listed again; an unsafe destination is named
// with its reason. Either way nothing starts.
bool CDiskClone::Refused(const disk::DriveListEntry& source,
                         const disk::DriveListEntry& destination) {
  auto refusal = imaging::CloneDriveChanged(source);
  if (!refusal) refusal = imaging::CloneDriveChanged(destination);
  const bool changed = refusal.has_value();
  if (!refusal) refusal = imaging::CloneRefusal(source, destination);
  if (!refusal) return false;
  NoticeDialog("CloneRefused", refusal->message, {NoticeDialog::kOk}, this).exec();
  if (changed) FillLists();
  return true;
}

void CDiskClone::OnStop() {
  if (!run_->IsRunning()) return;
  stop_->setEnabled(false);
  run_->RequestStop();
}

void CDiskClone::OnProgress(int percent, const QString& detail) {
  bar_->setValue(percent);
  detail_->setText(detail);
  ShowStatus();
}

void CDiskClone::ShowStatus() {
  const imaging::CopyStatus status = run_->Shown();
  grid_->Show(status.grid);
  processed_->setText(ToQString(imaging::ProcessedSectorsText(status)));
  processing_->setText(QString::number(status.currentSector));
}

void CDiskClone::OnFinished() {
  ShowStatus();
  SetRunning(false);
  const auto& result = *run_->Result();
  if (!result.ok()) {
    status_->setText(ToQString("Disk cloning failed: " + result.error()));
  } else {
    status_->setText(ToQString(imaging::CloningEndText(result.value(), Chosen(source_)->number,
                                                       Chosen(destination_)->number)));
  }
  // After a complete clone, Start waits for a new choice; after a stop it may go on at once.
  if (result.ok() && !result.value().stopped) start_->setEnabled(false);
  if (closeWhenStopped_) EndPage(app::ImagingPageResult(app::LeaveButton::Close));
}

void CDiskClone::SetRunning(bool running) {
  for (QWidget* control : {static_cast<QWidget*>(source_), static_cast<QWidget*>(destination_),
                           static_cast<QWidget*>(home_), static_cast<QWidget*>(back_)})
    control->setEnabled(!running);
  stop_->setEnabled(running);
  if (running) {
    start_->setEnabled(false);
  } else {
    OnSelectionChanged();
  }
}

void CDiskClone::Leave(app::LeaveButton button) {
  if (!run_->IsRunning()) {
    EndPage(app::ImagingPageResult(button));
    return;
  }
  NoticeDialog question("StopCloningQuestion", imaging::kStopCloningQuestion,
                        {NoticeDialog::kYes, NoticeDialog::kNo}, this);
  if (question.exec() != QDialog::Accepted) return;
  if (!run_->IsRunning()) {  // it ended while the question was on screen
    EndPage(app::ImagingPageResult(button));
    return;
  }
  closeWhenStopped_ = true;
  OnStop();
}

}  // namespace kestrel::gui
