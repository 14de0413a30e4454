#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::gui {

// What the volume page browses once its worker is done: the tree, where the files' data lie, and
// how a saved scan names the source.
struct LoadedVolume {
  volume::FileTree tree = volume::NewVolumeTree(u"");
  disk::DiskReader source;
  std::int64_t poolBase = 0;
  savedscan::ScanKind kind = savedscan::ScanKind::Volume;
  savedscan::SourceDescription description;
  volume::ScanOutcome outcome = volume::ScanOutcome::Completed;
  bool fromSavedScan = false;
};

// The volume page's worker: the scan of a volume, or the replay of a saved scan, on a thread of
// its own. The tree is built inside the worker and handed over only when it has finished, so the
// page never reads a tree that is still being written.
class CVolumeThread : public QObject {
  Q_OBJECT

 public:
  CVolumeThread(volume::VolumeScanSource source, const app::LogReport& log, QObject* parent);
  CVolumeThread(savedscan::SavedScan saved, QObject* parent);

  void Start();
  // A scan ends at the next block; a replay runs to its end.
  void RequestStop();
  bool IsRunning() const;
  // After `finished`.
  LoadedVolume TakeResult() { return std::move(*result_); }

 signals:
  void progressed(int percent, const QString& status);
  void finished();

 private:
  using Job = std::function<LoadedVolume(app::ProgressObserver&, std::stop_token)>;
  CVolumeThread(Job job, QObject* parent);

  Job job_;
  std::optional<LoadedVolume> result_;
  QtProgressObserver observer_;
  WorkerThread worker_;  // last: it stops and joins the job before the job's data go
};

}  // namespace kestrel::gui
