// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/ScanPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/DateStamp.h"
#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "destination/FtpSettings.h"
#include "destination/SourceOverlap.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/common/StopQuestion.h"
#include "gui/destination/CSaveFile.h"
#include "gui/destination/SessionFtpSettings.h"
#include "gui/filter/CFileMask.h"
#include "gui/filter/PageFind.h"
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
  find_ = new PageFind(*browser_, browsed_, log_, this);
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
  connect(buttons_, &VolumePageButtons::maskClicked, this, &ScanPage::OnMask);
  connect(buttons_, &VolumePageButtons::unmaskClicked, this, &ScanPage::OnUnmask);
  connect(buttons_, &VolumePageButtons::findClicked, find_, &PageFind::Find);
  connect(browser_, &VolumeBrowser::findNextPressed, find_, &PageFind::FindNext);
  connect(find_, &PageFind::messageChanged, this,
          [this](const QString& text) { status_->setText(text); });
  connect(scan_.get(), &ScanThread::progressed, this, &ScanPage::OnScanProgress);
  connect(scan_.get(), &ScanThread::grown, this, &ScanPage::OnScanGrown);
  connect(scan_.get(), &ScanThread::finished, this, &ScanPage::OnScanFinished);
  browser_->ShowLive(&live_.Tree());
  ShowPercent(*scanBar_, QtProgressObserver::kUnknownPercent);  // until the scan tells its total
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
      volume::ControlsFor(stage, {filesFound_, scanFileWritten_, browsed_.IsMasked()});
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
  return scan_->IsRunning() || (saving_ && saving_->IsRunning()) || (mask_ && mask_->IsRunning());
}

void ScanPage::OnScanProgress(int percent, const QString& total, const QString& detail) {
  ShowPercent(*scanBar_, percent);
  if (!total.isEmpty()) total_->setText(total);
  detail_->setText(detail);
}

void ScanPage::OnScanGrown(const FolderBatch& batch) {
  live_.Add(batch);
  browser_->LiveGrown();
}

void ScanPage::OnScanFinished() {
  loaded_ = scan_->TakeResult();
  browsed_.Replace(std::move(loaded_.tree));
  filesFound_ = Tree().filesFound;
  scanSaved_ = loaded_.fromSavedScan;
  ShowPercent(*scanBar_, 100);
  total_->setText(ToQString(volume::TotalText(Tree().counters)));
  LayUnreadAreas();
  browser_->Attach(&Tree());
  EnterStage(loaded_.outcome == volume::ScanOutcome::Stopped ? volume::VolumePageStage::Stopped
                                                             : volume::VolumePageStage::Browsing);
  if (!loaded_.notice.empty()) status_->setText(ToQString(loaded_.notice));
}

// A map of the areas that imaging never read, beside the image scanned, and the sectors the
// source records as unread (an evidence file's acquisition errors) mark the files whose data lie
// there.
void ScanPage::LayUnreadAreas() {
  if (!loaded_.source.IsValid()) return;
  auto beside = volume::FindMapBeside(loaded_.description.sourcePath,
                                      static_cast<std::uint64_t>(loaded_.source.Size()));
  if (beside && !beside->areas && loaded_.notice.empty())
    loaded_.notice = "The map beside the image is not used: " + beside->problem;
  if (beside && beside->areas) unreadMap_ = beside->path;
  unread_ = volume::WithSourceUnread(beside ? std::move(beside->areas) : std::nullopt,
                                     *loaded_.source.Source());
  browser_->SetUnreadAreas(unread_ ? &*unread_ : nullptr, loaded_.poolBase);
}

void ScanPage::OnSelectionChanged(const volume::SelectionChange& change) {
  selection_->setText(ToQString(change.text));
  buttons_->Apply(change.buttons);
}

void ScanPage::OnFileChosen(volume::RecordId file) {
  if (file == volume::kNoRecord) return preview_->Close();
  preview_->Show({loaded_.source, volume::LayoutFileData(Tree(), file, loaded_.poolBase),
                  Tree().Record(file).m_name});
}

// The stop question holds the recovery run, the scan or the mask run that is going on.
void ScanPage::OnStop() {
  PressesStopScan question(this);
  bool stopped = false;
  if (saving_ && saving_->IsRunning()) {
    stopped = AskToStop(question, *saving_);
  } else if (scan_->IsRunning()) {
    stopped = AskToStop(question, *scan_);
  } else if (mask_ && mask_->IsRunning()) {
    stopped = AskToStop(question, *mask_);
  }
  if (stopped) buttons_->DisableStop();
}

std::unique_ptr<CSaveFile> ScanPage::DestinationDialog(filter::FilterList& filter) {
  return std::make_unique<CSaveFile>(
      [this, &filter] { return volume::BytesToSave(Tree(), filter); }, filter, this);
}

std::unique_ptr<CThreadForSavingFiles> ScanPage::SavingThread(SavingRequest request,
                                                              filter::FilterList& filter) {
  return std::make_unique<CThreadForSavingFiles>(Tree(), std::move(request), filter, log_, this);
}

void ScanPage::OnRecover() {
  if (WorkRunning() || !CanRecover()) return;
  if (loaded_.sourceProblem) {
    NoticeDialog("SourceUnreadable", *loaded_.sourceProblem, {NoticeDialog::kOk}, this).exec();
    return;
  }
  const std::unique_ptr<CSaveFile> destination = DestinationDialog(filter_);
  if (destination->exec() != QDialog::Accepted) return;
  const bool ftp = destination->Kind() == destination::DestinationKind::FtpServer;
  if (auto refusal = ftp ? std::nullopt
                         : destination::RecoveryFolderRefusal(destination->Folder(),
                                                              loaded_.description.sourcePath)) {
    NoticeDialog("FolderOnSource", refusal->message, {NoticeDialog::kOk}, this).exec();
    return;
  }
  selection_->clear();
  recoveryKind_ = destination->Kind();
  recoveryDestination_ = destination::DestinationText(
      destination->Kind(), destination->Folder(),
      destination::FtpServerText(SessionFtpSettings().host, SessionFtpSettings().port));
  preview_->Close();
  browser_->SetRecovering(true);
  saving_ =
      SavingThread({loaded_.source, loaded_.poolBase, destination->Folder(), destination->Kind(),
                    ftp ? SessionFtpSettings() : destination::FtpSettings{},
                    unread_ ? &*unread_ : nullptr, RecoveryReportStart()},
                   filter_);
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

report::Report ScanPage::RecoveryReportStart() {
  const bool pool = loaded_.kind == savedscan::ScanKind::Pool;
  report::Report report = report::StartReport(
      "kestrel-nss", pool ? "recovery from the pool page" : "recovery from the volume page",
      std::time(nullptr));
  report.source =
      report::SourceFactsOf(loaded_.description.sourcePath,
                            static_cast<std::uint64_t>(loaded_.source.Size()), unreadMap_);
  report.scanned = loaded_.description.displayName;
  report.scanKind = report::ScanKindText(loaded_.kind, loaded_.fromSavedScan);
  report::DescribeSelection(report, Tree(), filter_);
  return report;
}

// A run that could not reach its server wrote nothing and left every tick: the selection line
// and the buttons follow the ticks left, so that Recover can be tried again.
void ScanPage::OnRecoveryFinished() {
  scanFileWritten_ = false;
  browser_->SetRecovering(false);
  EnterStage(volume::VolumePageStage::Recovered);
  ShowSelection();
  if (const auto& failed = saving_->ConnectionError()) {
    NoticeDialog("ConnectionFailed",
                 std::string(destination::kConnectionFailedText) + "\n" + *failed,
                 {NoticeDialog::kOk}, this)
        .exec();
    return;
  }
  const auto& report = saving_->ReportWritten();
  const std::string summary = volume::SavingSummary(saving_->Report(), recoveryDestination_) +
                              "\n" + report::ReportWrittenText(*report);
  log_.AppendLogEntry("Recovery ended on" + app::DateTimeStampNow() + "\n" + summary);
  const bool local = recoveryKind_ == destination::DestinationKind::LocalDrive;
  RecoveredMessage message(summary, report->ok() && local, this);
  if (message.exec() == RecoveredMessage::kOpenReport)
    OpenWithDesktop(ToQString(report->value()), app::kReportNotOpenedText, this);
}

// The mask run reads the whole tree on its worker; meanwhile the browser shows nothing.
void ScanPage::OnMask() {
  if (WorkRunning()) return;
  const bool pool = MaskedView() == filter::MaskView::Pool;
  CFileMask dialog(pool ? "FileMaskForPool" : "CFileMask", this);
  if (dialog.exec() != QDialog::Accepted) return;
  browser_->Attach(nullptr);
  mask_ = std::make_unique<CThreadForMask>(browsed_.Full(), dialog.Criteria(), MaskedView(), this);
  connect(mask_.get(), &CThreadForMask::progressed, this,
          [this](int percent, const QString&, const QString& detail) {
            ShowPercent(*scanBar_, percent);
            detail_->setText(detail);
          });
  connect(mask_.get(), &CThreadForMask::finished, this, &ScanPage::OnMaskFinished);
  stageBeforeMask_ = stage_;
  ShowPercent(*scanBar_, 0);
  EnterStage(volume::VolumePageStage::Masking);
  mask_->Start();
}

// A stopped run leaves the whole tree shown.
void ScanPage::OnMaskFinished() {
  if (std::optional<volume::FileTree> masked = mask_->TakeResult())
    browsed_.ShowMasked(std::move(*masked));
  ShowTree();
}

void ScanPage::OnUnmask() {
  if (WorkRunning()) return;
  browsed_.Unmask();
  ShowTree();
}

// After a mask run or Unmask: the tree, its totals and its own selection.
void ScanPage::ShowTree() {
  browser_->Attach(&Tree());
  buttons_->ShowMasked(browsed_.IsMasked());
  total_->setText(ToQString(volume::TotalText(Tree().counters)));
  EnterStage(stage_ == volume::VolumePageStage::Masking ? stageBeforeMask_ : stage_);
  ShowSelection();
}

void ScanPage::ShowSelection() {
  OnSelectionChanged(volume::ShownTreeSelection(Tree(), MaskedView() == filter::MaskView::Pool
                                                            ? volume::SelectionUnit::Bytes
                                                            : volume::SelectionUnit::Megabytes));
}

SaveScanOutcome ScanPage::OnSaveScan() {
  const SaveScanOutcome outcome =
      SaveScanFromPage(this, browsed_.Full(), loaded_.kind, loaded_.description, log_);
  if (outcome == SaveScanOutcome::Saved) {
    scanSaved_ = scanFileWritten_ = true;
    buttons_->SetSaveScanEnabled(
        volume::ControlsFor(stage_, {filesFound_, true, browsed_.IsMasked()}).saveScan);
  }
  return outcome;
}

// A save that was asked for and did not complete, or a question cancelled, keeps the page open.
void ScanPage::Leave(app::LeaveButton button) {
  if (WorkRunning()) {
    StopScanning(this).exec();
    return;
  }
  if (savedscan::AsksToSaveOnLeaving(scanSaved_, browsed_.Full())) {
    const int answer = savescanDialog(this).exec();
    if (answer == QDialog::Rejected) return;
    if (answer == QDialog::Accepted && OnSaveScan() != SaveScanOutcome::Saved) return;
  }
  EndPage(app::ScanPageResult(button));
}

}  // namespace kestrel::gui
