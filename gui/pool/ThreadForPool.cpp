// SPDX-License-Identifier: Apache-2.0
#include "gui/pool/ThreadForPool.h"

#include "app/SizeText.h"
#include "pool/PoolTree.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {
namespace {

// The files found are read relative to the first super block the scan met.
LoadedScan Scan(const pool::PoolScanSource& source, const app::LogReport& log,
                TreeGrowthObserver& observer, std::stop_token stop) {
  LoadedScan loaded;
  loaded.tree = pool::NewPoolTree();
  observer.Watch(&loaded.tree);
  const pool::PoolScanResult result =
      pool::ScanPool(source, loaded.tree, observer, std::move(stop), log);
  observer.Watch(nullptr);
  loaded.outcome = result.outcome;
  loaded.source = source.reader;
  loaded.poolBase = result.dataBase;
  if (!result.superBlockOffset) loaded.notice = pool::NoSuperBlockText(result.dataBase);
  if (result.zeroedSectors != 0) {
    // Sectors that could not be read may have held files: the list is incomplete, and says so.
    if (!loaded.notice.empty()) loaded.notice += "\n";
    loaded.notice += disk::IncompleteScanText(result.zeroedSectors);
  }
  loaded.kind = savedscan::ScanKind::Pool;
  loaded.description = savedscan::DescribePoolScan(source, loaded.poolBase);
  return loaded;
}

QtProgressObserver::Describe ReadingSector(std::int64_t start) {
  return [start](const app::Progress& progress) {
    const auto at = static_cast<std::uint64_t>(start) + progress.done;
    return app::Format("Reading Sector: %llu", static_cast<unsigned long long>(at / 512));
  };
}

}  // namespace

ThreadForPool::ThreadForPool(pool::PoolScanSource source, const app::LogReport& log,
                             QObject* parent)
    : ScanThread(
          [source, &log](TreeGrowthObserver& observer, std::stop_token stop) {
            return Scan(source, log, observer, std::move(stop));
          },
          ReadingSector(source.start), parent) {}

ThreadForPool::ThreadForPool(savedscan::SavedScan saved, QObject* parent)
    : ScanThread(
          [saved = std::move(saved)](TreeGrowthObserver& observer, std::stop_token stop) mutable {
            return ReplayJob(std::move(saved), observer, std::move(stop));
          },
          {}, parent) {}

}  // namespace kestrel::gui
