// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

#include "disk/DiskReader.h"
#include "diskscan/DiskScanner.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"

namespace kestrel::gui {

// The disk scan page's worker: the search of a whole disk (or disk image) for partition headers.
// Each pool reaches the page as it is found; the chain of headers once the search has ended.
class CthreadForScanDisk : public QObject {
  Q_OBJECT

 public:
  CthreadForScanDisk(disk::DiskReader reader, std::string sourcePath, QObject* parent);

  void Start();
  // The search ends at the next window or header; what was found stays.
  void RequestStop() { worker_.RequestStop(); }
  // Holds the work at its next step while the stop question is on screen.
  void Pause() { observer_.Pause(); }
  void Resume() { observer_.Resume(); }
  bool IsRunning() const { return worker_.IsRunning(); }
  // After `finished`.
  const diskscan::DiskScanResult& Result() const { return result_; }

 signals:
  void progressed(int percent, const QString& status, const QString& detail);
  void poolFound(const kestrel::disk::PoolEntry& pool);
  void finished();

 private:
  disk::DiskReader reader_;
  std::string sourcePath_;
  diskscan::DiskScanResult result_;
  QtProgressObserver observer_;
  WorkerThread worker_;  // last: it stops and joins the search before the search's data go
};

}  // namespace kestrel::gui
