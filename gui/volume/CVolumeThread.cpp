#include "gui/volume/CVolumeThread.h"

#include "savedscan/Replay.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {
namespace {

LoadedVolume Scan(const volume::VolumeScanSource& source, const app::LogReport& log,
                  app::ProgressObserver& observer, std::stop_token stop) {
  LoadedVolume loaded;
  loaded.tree = volume::NewVolumeTree(source.volumeName);
  loaded.outcome = volume::ScanVolume(source, loaded.tree, observer, std::move(stop), log);
  loaded.source = source.reader;
  loaded.poolBase = source.poolBase;
  loaded.description = savedscan::DescribeVolumeScan(source);
  return loaded;
}

// A saved scan is read from the source it names; a source that no longer opens leaves the tree
// to browse, and each file recovered from it then reports that its data could not be read.
LoadedVolume Replay(savedscan::SavedScan saved, app::ProgressObserver& observer) {
  savedscan::ReplayedScan replayed = savedscan::ReplaySavedScan(std::move(saved), observer);
  const std::string path = replayed.sourcePath.value_or("");
  const disk::OpenedSource opened = disk::OpenSource(path);
  savedscan::RestoreVolumeMarks(replayed, opened.reader);
  LoadedVolume loaded;
  loaded.tree = std::move(replayed.tree);
  loaded.source = opened.reader;
  loaded.poolBase = replayed.poolBase;
  loaded.kind = replayed.poolScan ? savedscan::ScanKind::Pool : savedscan::ScanKind::Volume;
  loaded.description = {replayed.displayName, path, static_cast<std::uint64_t>(replayed.poolBase)};
  loaded.fromSavedScan = true;
  return loaded;
}

}  // namespace

CVolumeThread::CVolumeThread(Job job, QObject* parent) : QObject(parent), job_(std::move(job)) {
  connect(&observer_, &QtProgressObserver::progressed, this, &CVolumeThread::progressed);
  connect(&worker_, &WorkerThread::finished, this, &CVolumeThread::finished);
}

CVolumeThread::CVolumeThread(volume::VolumeScanSource source, const app::LogReport& log,
                             QObject* parent)
    : CVolumeThread(
          [source = std::move(source), &log](app::ProgressObserver& observer,
                                             std::stop_token stop) {
            return Scan(source, log, observer, std::move(stop));
          },
          parent) {}

CVolumeThread::CVolumeThread(savedscan::SavedScan saved, QObject* parent)
    : CVolumeThread(
          [saved = std::move(saved)](app::ProgressObserver& observer, std::stop_token) mutable {
            return Replay(std::move(saved), observer);
          },
          parent) {}

void CVolumeThread::Start() {
  worker_.Start([this](std::stop_token stop) { result_ = job_(observer_, std::move(stop)); });
}

void CVolumeThread::RequestStop() {
  worker_.RequestStop();
}

bool CVolumeThread::IsRunning() const {
  return worker_.IsRunning();
}

}  // namespace kestrel::gui
