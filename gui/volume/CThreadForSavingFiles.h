// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <optional>
#include <string>

#include "app/LogReport.h"
#include "app/PauseGate.h"
#include "destination/Conflicts.h"
#include "destination/Destination.h"
#include "destination/FtpSettings.h"
#include "disk/DiskReader.h"
#include "filter/FilterList.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"
#include "report/Report.h"
#include "volume/FileTree.h"
#include "volume/SavingRun.h"

class QWidget;

namespace kestrel::gui {

// Where a recovery run reads and writes.
struct SavingRequest {
  disk::DiskReader source;
  std::int64_t poolBase = 0;
  std::string folder;  // the local folder, or the folder on the FTP server
  destination::DestinationKind kind = destination::DestinationKind::LocalDrive;
  destination::FtpSettings ftp;                 // for FtpServer
  const volume::UnreadAreas* unread = nullptr;  // areas never read from a failing disk, if known
  // The report's start (program, page, source, scan); the run adds the files and writes it at
  // the top of the destination.
  report::Report report;
};

// The volume page's recovery run on a thread of its own. While it runs, the tree and the filter
// list are the run's: the page keeps away from them until `finished`. A name clash is put to the
// person through CAlreadyExistFileDialog while the run waits.
class CThreadForSavingFiles : public QObject {
  Q_OBJECT

 public:
  CThreadForSavingFiles(volume::FileTree& tree, SavingRequest request, filter::FilterList& filter,
                        const app::LogReport& log, QWidget* page);

  void Start();
  // Holds the run between two blocks while the stop question is on screen.
  void Pause() { pause_.Pause(); }
  void Resume() { pause_.Resume(); }
  void RequestStop() { worker_.RequestStop(); }
  bool IsRunning() const { return worker_.IsRunning(); }

  // After `finished`.
  const volume::SavingReport& Report() const { return report_; }
  // After `finished`: why the FTP server could not be reached, when it could not (nothing was
  // written then).
  const std::optional<std::string>& ConnectionError() const { return connectionError_; }
  // After `finished`: the report's HTML page, or why the report could not be written.
  const std::optional<app::Result<std::string>>& ReportWritten() const { return reportWritten_; }

 signals:
  void progressed(int percent, const QString& status, const QString& detail);
  void finished();

 private:
  void Run(std::stop_token stop);
  void WriteReport(destination::Destination& destination, std::stop_token stop);
  std::unique_ptr<destination::Destination> OpenDestination();
  destination::ConflictAnswer AskUser(const destination::ConflictQuestion& question);

  volume::FileTree& tree_;
  SavingRequest request_;
  filter::FilterList& filter_;
  const app::LogReport& log_;
  QWidget* page_;
  app::PauseGate pause_;
  volume::SavingReport report_;
  std::optional<std::string> connectionError_;
  std::optional<app::Result<std::string>> reportWritten_;
  QtProgressObserver observer_;
  WorkerThread worker_;  // last: it stops and joins the run before the run's data go
};

}  // namespace kestrel::gui
