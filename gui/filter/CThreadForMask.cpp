// SPDX-License-Identifier: Apache-2.0
#include "gui/filter/CThreadForMask.h"

#include "filter/MaskRun.h"

namespace kestrel::gui {

CThreadForMask::CThreadForMask(const volume::FileTree& full, filter::MaskCriteria criteria,
                               filter::MaskView view, QObject* parent)
    : QObject(parent), full_(full), criteria_(std::move(criteria)), view_(view) {
  connect(&observer_, &QtProgressObserver::progressed, this, &CThreadForMask::progressed);
  connect(&worker_, &WorkerThread::finished, this, &CThreadForMask::finished);
}

void CThreadForMask::Start() {
  worker_.Start([this](std::stop_token stop) {
    observer_.WatchStop(stop);
    masked_ = filter::RunMask(full_, criteria_, view_, observer_, std::move(stop));
  });
}

}  // namespace kestrel::gui
