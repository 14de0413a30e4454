#include "gui/volume/LeafIterator.h"

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

QLabel* StatusLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(CaptionFont(15));
  return label;
}

QProgressBar* Bar(const char* name, QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(0, 100);
  return bar;
}

}  // namespace

LeafIterator::LeafIterator(volume::VolumeScanSource source, const app::LogReport& log,
                           QWidget* parent)
    : LeafIterator(std::make_unique<CVolumeThread>(std::move(source), log, nullptr), log, parent) {}

LeafIterator::LeafIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent)
    : LeafIterator(std::make_unique<CVolumeThread>(std::move(saved), nullptr), log, parent) {}

LeafIterator::LeafIterator(std::unique_ptr<CVolumeThread> scan, const app::LogReport& log,
                           QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent), log_(log), scan_(std::move(scan)) {
  setObjectName(QStringLiteral("LeafIterator"));
  resize(980, 620);
  browser_ = new VolumeBrowser(this);
  buttons_ = new VolumePageButtons(this);
  Body()->addWidget(browser_, 1);
  Body()->addWidget(BuildStatusArea());
  Body()->addWidget(buttons_);
  connect(browser_, &VolumeBrowser::selectionChanged, this, &LeafIterator::OnSelectionChanged);
  connect(buttons_, &VolumePageButtons::homeClicked, this,
          [this] { Leave(app::LeaveButton::Home); });
  connect(buttons_, &VolumePageButtons::backClicked, this,
          [this] { Leave(app::LeaveButton::Back); });
  connect(buttons_, &VolumePageButtons::saveScanClicked, this, &LeafIterator::OnSaveScan);
  connect(buttons_, &VolumePageButtons::selectAllClicked, browser_, &VolumeBrowser::SelectAll);
  connect(buttons_, &VolumePageButtons::unselectClicked, browser_, &VolumeBrowser::UnselectAll);
  connect(buttons_, &VolumePageButtons::recoverClicked, this, &LeafIterator::OnRecover);
  connect(buttons_, &VolumePageButtons::stopClicked, this, &LeafIterator::OnStop);
  connect(scan_.get(), &CVolumeThread::progressed, this, &LeafIterator::OnScanProgress);
  connect(scan_.get(), &CVolumeThread::finished, this, &LeafIterator::OnScanFinished);
  EnterStage(volume::VolumePageStage::Scanning);
  scan_->Start();
}

QWidget* LeafIterator::BuildStatusArea() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  total_ = StatusLabel("totalText", area);
  selection_ = StatusLabel("selectionText", area);
  status_ = StatusLabel("statusText", area);
  scanBar_ = Bar("scanProgress", area);
  recoveryBar_ = Bar("recoveryProgress", area);
  grid->addWidget(total_, 0, 0);
  grid->addWidget(selection_, 0, 1);
  grid->addWidget(status_, 1, 0);
  grid->addWidget(scanBar_, 1, 1);
  grid->addWidget(recoveryBar_, 2, 1);
  return area;
}

void LeafIterator::EnterStage(volume::VolumePageStage stage) {
  stage_ = stage;
  const volume::VolumePageControls controls =
      volume::ControlsFor(stage, filesFound_, scanFileWritten_);
  buttons_->Apply(controls);
  scanBar_->setVisible(controls.scanBar);
  recoveryBar_->setVisible(controls.recoveryBar);
  browser_->setEnabled(controls.browsing);
  if (controls.status) status_->setText(ToQString(*controls.status));
}

bool LeafIterator::WorkRunning() const {
  return scan_->IsRunning() || (saving_ && saving_->IsRunning());
}

void LeafIterator::OnScanProgress(int percent, const QString& total) {
  scanBar_->setValue(percent);
  if (!total.isEmpty()) total_->setText(total);
}

void LeafIterator::OnScanFinished() {
  volume_ = scan_->TakeResult();
  filesFound_ = volume_.tree.filesFound;
  scanSaved_ = volume_.fromSavedScan;
  scanBar_->setValue(100);
  total_->setText(ToQString(volume::TotalText(volume_.tree.counters)));
  browser_->Attach(&volume_.tree);
  EnterStage(volume_.outcome == volume::ScanOutcome::Stopped ? volume::VolumePageStage::Stopped
                                                             : volume::VolumePageStage::Browsing);
}

void LeafIterator::OnSelectionChanged(const volume::SelectionChange& change) {
  selection_->setText(ToQString(change.text));
  buttons_->Apply(change.buttons);
}

// The stop question holds a recovery run between two blocks while it is on screen; a scan goes
// on meanwhile. Either may have ended by the time it is answered.
void LeafIterator::OnStop() {
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

void LeafIterator::OnRecover() {
  if (WorkRunning()) return;
  CSaveFile destination([this] { return volume::BytesToSave(volume_.tree, filter_); }, filter_,
                        this);
  if (destination.exec() != QDialog::Accepted) return;
  selection_->clear();
  browser_->SetRecovering(true);
  saving_ = std::make_unique<CThreadForSavingFiles>(
      volume_.tree, SavingRequest{volume_.source, volume_.poolBase, destination.Folder()}, filter_,
      log_, this);
  connect(saving_.get(), &CThreadForSavingFiles::progressed, recoveryBar_,
          [this](int percent) { recoveryBar_->setValue(percent); });
  connect(saving_.get(), &CThreadForSavingFiles::finished, this, &LeafIterator::OnRecoveryFinished);
  recoveryBar_->setValue(0);
  EnterStage(volume::VolumePageStage::Recovering);
  saving_->Start();
}

void LeafIterator::OnRecoveryFinished() {
  scanFileWritten_ = false;
  browser_->SetRecovering(false);
  EnterStage(volume::VolumePageStage::Recovered);
  RecoveredMessage(volume::SavingSummary(saving_->Report()), this).exec();
}

SaveScanOutcome LeafIterator::OnSaveScan() {
  const SaveScanOutcome outcome =
      SaveScanFromPage(this, volume_.tree, volume_.kind, volume_.description, log_);
  if (outcome == SaveScanOutcome::Saved) {
    scanSaved_ = scanFileWritten_ = true;
    buttons_->SetSaveScanEnabled(volume::ControlsFor(stage_, filesFound_, true).saveScan);
  }
  return outcome;
}

// A save that was asked for and did not complete keeps the page open.
void LeafIterator::Leave(app::LeaveButton button) {
  if (WorkRunning()) {
    StopScanning(this).exec();
    return;
  }
  if (savedscan::AsksToSaveOnLeaving(scanSaved_, volume_.tree) &&
      savescanDialog(this).exec() == QDialog::Accepted && OnSaveScan() != SaveScanOutcome::Saved) {
    return;
  }
  EndPage(app::ScanPageResult(button));
}

}  // namespace kestrel::gui
