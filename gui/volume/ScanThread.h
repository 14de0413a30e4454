// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "disk/DiskReader.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"
#include "gui/volume/TreeGrowth.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::gui {

// What a scan page browses once its worker is done: the tree, where the files' data lie, and
// how a saved scan names the source.
struct LoadedScan {
  volume::FileTree tree = volume::NewVolumeTree(u"");
  disk::DiskReader source;
  std::int64_t poolBase = 0;  // block n of a file lies at poolBase + (n - 1) * 4096
  savedscan::ScanKind kind = savedscan::ScanKind::Volume;
  savedscan::SourceDescription description;
  volume::ScanOutcome outcome = volume::ScanOutcome::Completed;
  bool fromSavedScan = false;
  std::string notice;  // what the page shows in its status line once the scan ends, if anything
  // A saved scan whose data cannot be read from its source: why. Nothing is recovered then.
  std::optional<std::string> sourceProblem;
};

// A scan page's worker: a scan, or the replay of a saved scan, on a thread of its own. The tree
// is built inside the worker and handed over only when it has finished, so the page never reads
// a tree that is still being written; meanwhile `grown` brings copies of the folders filed.
class ScanThread : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<LoadedScan(TreeGrowthObserver&, std::stop_token)>;

  void Start();
  // The scan or the replay ends at the next block, window or record.
  void RequestStop();
  // Holds the scan at its next block, window or record while the stop question is on screen.
  void Pause() { observer_.Pause(); }
  void Resume() { observer_.Resume(); }
  bool IsRunning() const;
  // After `finished`.
  LoadedScan TakeResult() { return std::move(*result_); }

 signals:
  void progressed(int percent, const QString& status, const QString& detail);
  void grown(const kestrel::gui::FolderBatch& batch);
  void finished();

 protected:
  ScanThread(Job job, QtProgressObserver::Describe describe, QObject* parent);

 private:
  Job job_;
  std::optional<LoadedScan> result_;
  QtProgressObserver observer_;
  TreeGrowthObserver growth_;
  WorkerThread worker_;  // last: it stops and joins the job before the job's data go
};

// The replay of a saved scan, read from the source it names; a source that no longer opens leaves
// the tree to browse, and each file recovered from it then reports that its data could not be read.
LoadedScan ReplayJob(savedscan::SavedScan saved, TreeGrowthObserver& observer,
                     std::stop_token stop);

}  // namespace kestrel::gui
