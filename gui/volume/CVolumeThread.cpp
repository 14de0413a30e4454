// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/CVolumeThread.h"

#include "savedscan/ScanSaving.h"

namespace kestrel::gui {
namespace {

LoadedScan Scan(const volume::VolumeScanSource& source, const app::LogReport& log,
                TreeGrowthObserver& observer, std::stop_token stop) {
  LoadedScan loaded;
  loaded.tree = volume::NewVolumeTree(source.volumeName);
  observer.Watch(&loaded.tree);
  loaded.outcome = volume::ScanVolume(source, loaded.tree, observer, std::move(stop), log);
  loaded.notice = volume::ScanShortfallText(loaded.outcome);
  observer.Watch(nullptr);
  loaded.source = source.reader;
  loaded.poolBase = source.poolBase;
  loaded.description = savedscan::DescribeVolumeScan(source);
  return loaded;
}

}  // namespace

CVolumeThread::CVolumeThread(volume::VolumeScanSource source, const app::LogReport& log,
                             QObject* parent)
    : ScanThread(
          [source = std::move(source), &log](TreeGrowthObserver& observer, std::stop_token stop) {
            return Scan(source, log, observer, std::move(stop));
          },
          {}, parent) {}

CVolumeThread::CVolumeThread(savedscan::SavedScan saved, QObject* parent)
    : ScanThread(
          [saved = std::move(saved)](TreeGrowthObserver& observer, std::stop_token stop) mutable {
            return ReplayJob(std::move(saved), observer, std::move(stop));
          },
          {}, parent) {}

}  // namespace kestrel::gui
