// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/ScanThread.h"

#include "savedscan/Replay.h"

namespace kestrel::gui {

ScanThread::ScanThread(Job job, QtProgressObserver::Describe describe, QObject* parent)
    : QObject(parent), job_(std::move(job)), observer_(std::move(describe)), growth_(observer_) {
  connect(&observer_, &QtProgressObserver::progressed, this, &ScanThread::progressed);
  connect(&growth_, &TreeGrowthObserver::grown, this, &ScanThread::grown);
  connect(&worker_, &WorkerThread::finished, this, &ScanThread::finished);
}

void ScanThread::Start() {
  worker_.Start([this](std::stop_token stop) {
    observer_.WatchStop(stop);
    result_ = job_(growth_, std::move(stop));
  });
}

void ScanThread::RequestStop() {
  worker_.RequestStop();
}

bool ScanThread::IsRunning() const {
  return worker_.IsRunning();
}

LoadedScan ReplayJob(savedscan::SavedScan saved, TreeGrowthObserver& observer,
                     std::stop_token stop) {
  savedscan::ReplayedScan replayed =
      savedscan::ReplaySavedScan(std::move(saved), observer, std::move(stop));
  const std::string path = replayed.sourcePath.value_or("");
  // A source that cannot be read, or does not hold the scanned pool, is not read: its files
  // would be wrong. The tree can still be looked through.
  savedscan::SavedScanSource source = savedscan::OpenSavedScanSource(replayed, path);
  savedscan::RestoreVolumeMarks(replayed, source.reader);
  LoadedScan loaded;
  loaded.tree = std::move(replayed.tree);
  loaded.source = source.reader;
  loaded.sourceProblem = source.problem;
  if (source.problem) loaded.notice = *source.problem;
  loaded.poolBase = replayed.poolBase;
  loaded.kind = replayed.poolScan ? savedscan::ScanKind::Pool : savedscan::ScanKind::Volume;
  loaded.description = {replayed.displayName, path, static_cast<std::uint64_t>(replayed.poolBase)};
  loaded.outcome = replayed.stopped ? volume::ScanOutcome::Stopped : volume::ScanOutcome::Completed;
  loaded.fromSavedScan = true;
  return loaded;
}

}  // namespace kestrel::gui
