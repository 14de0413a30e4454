#include "gui/volume/ScanPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/destination/CSaveFile.h"
#include "gui/savedscan/SaveScanFlow.h"
#include "gui/savedscan/savescanDialog.h"
#include "gui/viewers/PreviewArea.h"
#include "gui/volume/PressesStopScan.h"
#include "gui/volume/RecoveredMessage.h"
#include "gui/volume/StopScanning.h"
#include "gui/volume/VolumeBrowser.h"
#include "gui/volume/VolumePageButtons.h"
#include "savedscan/ScanSaving.h"
#include "volume/SavingRun.h"
#include "volume/SavingSummary.h"
#include "volume/ScanTexts.h"

namespace kestrel::gui {
namespace {

QLabel* StatusLabel(const char* name, QWidget* parent, int points = 15) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(CaptionFont(points));
  return label;
}

QProgressBar* Bar(const char* name, QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(0, 100);
  return bar;
}

}  // namespace

ScanPage::ScanPage(const char* objectName, std::unique_ptr<ScanThread> scan,
                   const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent), log_(log), scan_(std::move(scan)) {
  setObjectName(QString::fromLatin1(objectName));
  resize(1240, 660);
  browser_ = new VolumeBrowser(this);
  preview_ = new PreviewArea(browser_);
  browser_->AddBesideList(preview_);
  buttons_ = new VolumePageButtons(this);
  Body()->addWidget(browser_, 1);
  Body()->addWidget(BuildStatusArea());
  Body()->addWidget(buttons_);
  connect(browser_, &VolumeBrowser::selectionChanged, this, &ScanPage::OnSelectionChanged);
  connect(browser_, &VolumeBrowser::fileChosen, this, &ScanPage::OnFileChosen);
  connect(buttons_, &VolumePageButtons::homeClicked, this,
          [this] { Leave(app::LeaveButton::Home); });
  connect(buttons_, &VolumePageButtons::backClicked, this,
          [this] { Leave(app::LeaveButton::Back); });
  connect(buttons_, &VolumePageButtons::saveScanClicked, this, &ScanPage::OnSaveScan);
  connect(buttons_, &VolumePageButtons::selectAllClicked, browser_, &VolumeBrowser::SelectAll);
  connect(buttons_, &VolumePageButtons::unselectClicked, browser_, &VolumeBrowser::UnselectAll);
  connect(buttons_, &VolumePageButtons::recoverClicked, this, &ScanPage::OnRecover);
  connect(buttons_, &VolumePageButtons::stopClicked, this, &ScanPage::OnStop);
  connect(scan_.get(), &ScanThread::progressed, this, &ScanPage::OnScanProgress);
  connect(scan_.get(), &ScanThread::grown, this, &ScanPage::OnScanGrown);
  connect(scan_.get(), &ScanThread::finished, this, &ScanPage::OnScanFinished);
  browser_->ShowLive(&live_.Tree());
  EnterStage(volume::VolumePageStage::Scanning);
  scan_->Start();
}

QWidget* ScanPage::BuildStatusArea() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  total_ = StatusLabel("totalText", area);
  selection_ = StatusLabel("selectionText", area);
  status_ = StatusLabel("statusText", area);
  detail_ = StatusLabel("progressDetail", area, 10);
  scanBar_ = Bar("scanProgress", area);
  recoveryBar_ = Bar("recoveryProgress", area);
  grid->addWidget(total_, 0, 0);
  grid->addWidget(selection_, 0, 1);
  grid->addWidget(status_, 1, 0);
  grid->addWidget(scanBar_, 1, 1);
  grid->addWidget(recoveryBar_, 2, 1);
  grid->addWidget(detail_, 3, 1);
  return area;
}

void ScanPage::EnterStage(volume::VolumePageStage stage) {
  stage_ = stage;
  const volume::VolumePageControls controls =
      volume::ControlsFor(stage, filesFound_, scanFileWritten_);
  buttons_->Apply(controls);
  scanBar_->setVisible(controls.scanBar);
  recoveryBar_->setVisible(controls.recoveryBar);
  detail_->setVisible(controls.scanBar || controls.recoveryBar);
  detail_->clear();
  // While a scan runs its folders can be looked through, not ticked.
  browser_->setEnabled(controls.browsing || stage == volume::VolumePageStage::Scanning);
  if (controls.status) status_->setText(ToQString(*controls.status));
}

bool ScanPage::WorkRunning() const {
  return scan_->IsRunning() || (saving_ && saving_->IsRunning());
}

void ScanPage::OnScanProgress(int percent, const QString& total, const QString& detail) {
  scanBar_->setValue(percent);
  if (!total.isEmpty()) total_->setText(total);
  detail_->setText(detail);
}

void ScanPage::OnScanGrown(const FolderBatch& batch) {
  live_.Add(batch);
  browser_->LiveGrown();
}

void ScanPage::OnScanFinished() {
  loaded_ = scan_->TakeResult();
  filesFound_ = loaded_.tree.filesFound;
  scanSaved_ = loaded_.fromSavedScan;
  scanBar_->setValue(100);
  total_->setText(ToQString(volume::TotalText(loaded_.tree.counters)));
  browser_->Attach(&loaded_.tree);
  EnterStage(loaded_.outcome == volume::ScanOutcome::Stopped ? volume::VolumePageStage::Stopped
                                                             : volume::VolumePageStage::Browsing);
}

void ScanPage::OnSelectionChanged(const volume::SelectionChange& change) {
  selection_->setText(ToQString(change.text));
  buttons_->Apply(change.buttons);
}

void ScanPage::OnFileChosen(volume::RecordId file) {
  if (file == volume::kNoRecord) return preview_->Close();
  preview_->Show({loaded_.source, volume::LayoutFileData(loaded_.tree, file, loaded_.poolBase),
                  loaded_.tree.Record(file).m_name});
}

// The stop question holds a recovery run between two blocks while it is on screen; a scan goes
// on meanwhile. Either may have ended by the time it is answered.
void ScanPage::OnStop() {
  if (saving_ && saving_->IsRunning()) saving_->Pause();
  const bool abort = PressesStopScan(this).exec() == QDialog::Accepted;
  if (saving_ && saving_->IsRunning()) {
    abort ? saving_->Stop() : saving_->Resume();
  } else if (abort && scan_->IsRunning()) {
    scan_->RequestStop();
  } else {
    return;
  }
  if (abort) buttons_->DisableStop();
}

std::unique_ptr<CSaveFile> ScanPage::DestinationDialog(filter::FilterList& filter) {
  return std::make_unique<CSaveFile>(
      [this, &filter] { return volume::BytesToSave(loaded_.tree, filter); }, filter, this);
}

std::unique_ptr<CThreadForSavingFiles> ScanPage::SavingThread(SavingRequest request,
                                                              filter::FilterList& filter) {
  return std::make_unique<CThreadForSavingFiles>(loaded_.tree, std::move(request), filter, log_,
                                                 this);
}

void ScanPage::OnRecover() {
  if (WorkRunning() || !CanRecover()) return;
  const std::unique_ptr<CSaveFile> destination = DestinationDialog(filter_);
  if (destination->exec() != QDialog::Accepted) return;
  selection_->clear();
  preview_->Close();
  browser_->SetRecovering(true);
  saving_ = SavingThread({loaded_.source, loaded_.poolBase, destination->Folder()}, filter_);
  connect(saving_.get(), &CThreadForSavingFiles::progressed, this,
          [this](int percent, const QString&, const QString& detail) {
            recoveryBar_->setValue(percent);
            detail_->setText(detail);
          });
  connect(saving_.get(), &CThreadForSavingFiles::finished, this, &ScanPage::OnRecoveryFinished);
  recoveryBar_->setValue(0);
  EnterStage(volume::VolumePageStage::Recovering);
  saving_->Start();
}

void ScanPage::OnRecoveryFinished() {
  scanFileWritten_ = false;
  browser_->SetRecovering(false);
  EnterStage(volume::VolumePageStage::Recovered);
  RecoveredMessage(volume::SavingSummary(saving_->Report()), this).exec();
}

SaveScanOutcome ScanPage::OnSaveScan() {
  const SaveScanOutcome outcome =
      SaveScanFromPage(this, loaded_.tree, loaded_.kind, loaded_.description, log_);
  if (outcome == SaveScanOutcome::Saved) {
    scanSaved_ = scanFileWritten_ = true;
    buttons_->SetSaveScanEnabled(volume::ControlsFor(stage_, filesFound_, true).saveScan);
  }
  return outcome;
}

// A save that was asked for and did not complete keeps the page open.
void ScanPage::Leave(app::LeaveButton button) {
  if (WorkRunning()) {
    StopScanning(this).exec();
    return;
  }
  if (savedscan::AsksToSaveOnLeaving(scanSaved_, loaded_.tree) &&
      savescanDialog(this).exec() == QDialog::Accepted && OnSaveScan() != SaveScanOutcome::Saved) {
    return;
  }
  EndPage(app::ScanPageResult(button));
}

}  // namespace kestrel::gui
