// SPDX-License-Identifier: Apache-2.0
#include "gui/diskscan/CthreadForScanDisk.h"

namespace kestrel::gui {

CthreadForScanDisk::CthreadForScanDisk(disk::DiskReader reader, std::string sourcePath,
                                       QObject* parent)
    : QObject(parent), reader_(std::move(reader)), sourcePath_(std::move(sourcePath)) {
  connect(&observer_, &QtProgressObserver::progressed, this, &CthreadForScanDisk::progressed);
  connect(&worker_, &WorkerThread::finished, this, &CthreadForScanDisk::finished);
}

void CthreadForScanDisk::Start() {
  worker_.Start([this](std::stop_token stop) {
    observer_.WatchStop(stop);
    result_ = diskscan::ScanDisk(
        reader_, sourcePath_, observer_, std::move(stop), [this](const disk::PoolEntry& pool) {
          QMetaObject::invokeMethod(
              this, [this, pool] { emit poolFound(pool); }, Qt::QueuedConnection);
        });
  });
}

}  // namespace kestrel::gui
