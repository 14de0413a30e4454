// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/CImageCreation.h"

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
#include "gui/common/StopQuestion.h"
#include "gui/disk/DescriptionPanels.h"
#include "gui/disk/ScanPages.h"
#include "gui/imaging/CopyRun.h"
#include "gui/imaging/ProgressGridView.h"
#include "gui/volume/StopScanning.h"
#include "imaging/CopyTexts.h"
#include "imaging/ImageCreation.h"
#include "imaging/ImageDestination.h"
#include "imaging/MapFile.h"
#include "imaging/RescueImaging.h"

namespace kestrel::gui {
namespace {

// The copy into a raw image, or into an E01 set that is finished with its hashes.
CopyRun::Outcome CopyIntoImage(const ImagingChoice& choice, const imaging::ImagingJob& job,
                               imaging::CopyStatus& status, app::ProgressObserver& observer,
                               std::stop_token stop, const app::LogReport& log) {
  if (choice.ewf) {
    auto outcome =
        imaging::CreateEwfImage(job, *choice.ewf, status, observer, std::move(stop), log);
    if (!outcome.ok()) return app::Failure{outcome.error()};
    return std::move(outcome).value().copy;
  }
  platform::OpenedWriter image = platform::CreateImageFile(choice.imagePath);
  if (!image.status.ok()) return app::Failure{image.status.message};
  return imaging::CreateImage(job, *image.writer, status, observer, std::move(stop), log);
}

// The worker's whole run: it creates the image, copies, closes the image and writes the map file
// beside it, so that nothing of the image is left to the page.
CopyRun::Job ImagingJob(const ImagingChoice& choice, const disk::OpenedSource& source,
                        const app::LogReport& log) {
  return [choice, source, &log](imaging::CopyStatus& status, app::ProgressObserver& observer,
                                std::stop_token stop) -> CopyRun::Outcome {
    if (!source.status.ok()) return app::Failure{source.status.message};
    const imaging::ImagingJob job{source.reader, choice.sourcePath, choice.range, choice.imagePath};
    auto outcome = CopyIntoImage(choice, job, status, observer, std::move(stop), log);
    if (!outcome.ok()) return outcome;
    const std::string map = imaging::DefaultMapPath(choice.imagePath);
    if (auto failure = imaging::WriteMapFile(
            map, imaging::MapFileText(choice.sourcePath, choice.range, outcome.value()))) {
      return *failure;
    }
    return outcome;
  };
}

// The rescue of a failing disk: the worker starts or resumes it, and the map beside the image is
// the rescue's own, written as it goes.
CopyRun::Job RescueJob(const ImagingChoice& choice, const disk::OpenedSource& source,
                       const app::LogReport& log) {
  return [choice, source, &log](imaging::CopyStatus&, app::ProgressObserver& observer,
                                std::stop_token stop) -> CopyRun::Outcome {
    if (!source.status.ok()) return app::Failure{source.status.message};
    const imaging::RescueJob job{source.reader, choice.sourcePath, choice.range,
                                 imaging::DefaultMapPath(choice.imagePath)};
    auto start = imaging::StartRescue(
        job, choice.imagePath,
        choice.replace ? imaging::ExistingRescue::Replace : imaging::ExistingRescue::Resume);
    if (!start.ok()) return app::Failure{start.error()};
    auto outcome =
        imaging::RescueImage(job, std::move(start.value().map), *start.value().image.writer,
                             observer, std::move(stop), log);
    start.value().image.writer.reset();
    if (!outcome.ok()) return app::Failure{outcome.error()};
    return imaging::AsCopyOutcome(outcome.value(), choice.range);
  };
}

}  // namespace

CImageCreation::CImageCreation(ImagingChoice choice, const app::LogReport& log, QWidget* parent)
    : CImageCreation(choice, disk::OpenSource(choice.sourcePath), log, parent) {}

CImageCreation::CImageCreation(ImagingChoice choice, disk::OpenedSource source,
                               const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent),
      choice_(std::move(choice)),
      source_(std::move(source)),
      log_(log),
      run_(std::make_unique<CopyRun>(nullptr)) {
  setObjectName(QStringLiteral("CImageCreation"));
  Body()->addWidget(CaptionLabel(imaging::kDiskImageCreationCaption, 18, this));
  Body()->addWidget(BuildProgressArea(), 1);
  Body()->addLayout(BuildButtons());
  connect(run_.get(), &CopyRun::progressed, this, &CImageCreation::OnProgress);
  connect(run_.get(), &CopyRun::finished, this, &CImageCreation::OnFinished);
  Start();
}

CImageCreation::~CImageCreation() = default;

QWidget* CImageCreation::BuildProgressArea() {
  auto* area = new QWidget(this);
  auto* rows = new QVBoxLayout(area);
  auto* layout = new QHBoxLayout;
  rows->addLayout(layout);
  grid_ = new ProgressGridView(ProgressGridView::Palette::Imaging, area);
  layout->addWidget(grid_, 0, Qt::AlignTop);
  auto* side = new QVBoxLayout;
  side->addWidget(SymbolsLegend(*grid_, area));
  auto* info = new QGroupBox(ToQString(imaging::kProcessingInfoCaption), area);
  auto* fields = new QFormLayout(info);
  readingSector_ = PanelLabel("readingSector", info);
  imageSize_ = PanelLabel("imageSize", info);
  fields->addRow(ToQString(imaging::kReadingSectorCaption), readingSector_);
  fields->addRow(ToQString(imaging::kImageSizeCaption), imageSize_);
  bar_ = new QProgressBar(info);
  bar_->setObjectName(QStringLiteral("imagingProgress"));
  bar_->setRange(0, 100);
  fields->addRow(bar_);
  detail_ = PanelLabel("progressDetail", info);
  fields->addRow(detail_);
  side->addWidget(info);
  side->addStretch();
  layout->addLayout(side, 1);
  status_ = PanelLabel("statusText", area);
  // The result line, under the grid, wraps within the page, in room kept for it from the start:
  // the page does not change its size when the line appears.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  status_->setFixedHeight(4 * status_->fontMetrics().lineSpacing());
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  rows->addWidget(status_);
  return area;
}

QLayout* CImageCreation::BuildButtons() {
  const WorkPageButtons buttons =
      MakeWorkPageButtons(this, imaging::kStopCaption, "Stop the imaging", "Scan the image",
                          [this](app::LeaveButton button) { Leave(button); });
  home_ = buttons.home;
  back_ = buttons.back;
  stop_ = buttons.stop;
  continue_ = buttons.proceed;
  connect(stop_, &QPushButton::clicked, this, &CImageCreation::OnStop);
  connect(continue_, &QPushButton::clicked, this, &CImageCreation::OnContinue);
  return buttons.row;
}

void CImageCreation::Start() {
  for (QPushButton* button : {home_, back_, continue_}) button->setEnabled(false);
  continue_->hide();
  ShowStatus();
  run_->Start(choice_.rescue ? RescueJob(choice_, source_, log_)
                             : ImagingJob(choice_, source_, log_));
}

void CImageCreation::OnProgress(int percent, const QString& detail) {
  bar_->setValue(percent);
  detail_->setText(detail);
  ShowStatus();
}

void CImageCreation::ShowStatus() {
  const imaging::CopyStatus status = run_->Shown();
  grid_->Show(status.grid);
  readingSector_->setText(QString::number(status.currentSector));
  imageSize_->setText(
      ToQString(imaging::ImageSizeText(status.bytesBeforeLastWrite, status.bytesWritten)));
}

// The rate and the time left end with the run; the status line says how it ended.
void CImageCreation::OnFinished() {
  ShowStatus();
  detail_->clear();
  stop_->setEnabled(false);
  stop_->hide();
  continue_->show();
  for (QPushButton* button : {home_, back_, continue_}) button->setEnabled(true);
  const auto& result = *run_->Result();
  if (!result.ok()) {
    status_->setText(ToQString("Image creation failed: " + result.error()));
    return;
  }
  bar_->setValue(result.value().stopped ? bar_->value() : 100);
  status_->setText(WrapLongWords(
      ToQString(choice_.rescue ? imaging::RescueEndText(result.value(), choice_.imagePath)
                               : imaging::ImagingEndText(result.value(), choice_.imagePath))));
}

void CImageCreation::OnStop() {
  NoticeDialog question("PressesStopScan", imaging::kStopImagingQuestion,
                        {NoticeDialog::kYes, NoticeDialog::kNo}, this);
  if (AskToStop(question, *run_)) stop_->setEnabled(false);
}

void CImageCreation::OnContinue() {
  if (run_->IsRunning()) return;
  OpenScanPage(NewImagePage(choice_.imagePath, choice_.poolImage, log_, this));
}

void CImageCreation::Leave(app::LeaveButton button) {
  if (run_->IsRunning()) {
    StopScanning(this).exec();
    return;
  }
  EndPage(app::ImagingPageResult(button));
}

}  // namespace kestrel::gui
