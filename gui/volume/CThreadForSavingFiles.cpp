// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/CThreadForSavingFiles.h"

#include "app/DateStamp.h"
#include "destination/Destination.h"
#include "destination/FtpDestination.h"
#include "gui/common/GuiConflictPrompt.h"
#include "gui/destination/CAlreadyExistFileDialog.h"
#include "gui/volume/ReportPictures.h"

namespace kestrel::gui {

CThreadForSavingFiles::CThreadForSavingFiles(volume::FileTree& tree, SavingRequest request,
                                             filter::FilterList& filter, const app::LogReport& log,
                                             QWidget* page)
    : tree_(tree), request_(std::move(request)), filter_(filter), log_(log), page_(page) {
  connect(&observer_, &QtProgressObserver::progressed, this, &CThreadForSavingFiles::progressed);
  connect(&worker_, &WorkerThread::finished, this, &CThreadForSavingFiles::finished);
}

void CThreadForSavingFiles::Start() {
  worker_.Start([this](std::stop_token stop) { Run(std::move(stop)); });
}

// On the worker's thread.
void CThreadForSavingFiles::Run(std::stop_token stop) {
  std::unique_ptr<destination::Destination> destination = OpenDestination();
  if (!destination) return;
  GuiConflictPrompt prompt(
      this, [this](const destination::ConflictQuestion& question) { return AskUser(question); },
      pause_, stop);
  const volume::SavingSetup setup{request_.source, request_.poolBase, *destination, filter_,
                                  prompt,          request_.unread,   true};
  report_ = volume::SaveSelected(tree_, setup, observer_, pause_, stop, log_);
  WriteReport(*destination, stop);
}

// Also after a stop, without the pictures then: the report says which files were written before
// it.
void CThreadForSavingFiles::WriteReport(destination::Destination& destination,
                                        std::stop_token stop) {
  report::Report& written = request_.report;
  written.ended = app::IsoUtcStamp(std::time(nullptr));
  written.files = report::FilesOfRun(tree_, request_.poolBase, request_.unread, report_);
  AddThumbnails(written, report_, tree_, request_.source, request_.poolBase, std::move(stop));
  reportWritten_ = report::WriteReportAt(written, destination, {});
  if (!reportWritten_->ok())
    log_.AppendLogEntry("The recovery report could not be written: " + reportWritten_->error());
}

// The local folder, or the server once logged in; nothing, with connectionError_, without it.
std::unique_ptr<destination::Destination> CThreadForSavingFiles::OpenDestination() {
  if (request_.kind == destination::DestinationKind::LocalDrive)
    return std::make_unique<destination::LocalDestination>(request_.folder);
  auto server = std::make_unique<destination::FtpDestination>(
      destination::OpenFtpSession(request_.ftp), request_.folder);
  std::string error;
  if (server->Connect(error)) return server;
  connectionError_ = std::move(error);
  return nullptr;
}

// On the GUI thread, while the run waits.
destination::ConflictAnswer CThreadForSavingFiles::AskUser(
    const destination::ConflictQuestion& question) {
  CAlreadyExistFileDialog dialog(question, page_);
  dialog.exec();
  return dialog.Answer();
}

}  // namespace kestrel::gui
