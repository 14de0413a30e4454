// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/CopyRun.h"

namespace kestrel::gui {

CopyRun::CopyRun(QObject* parent)
    : QObject(parent), observer_([this](const app::Progress&) {
        Copy();
        return std::string();
      }) {
  connect(&observer_, &QtProgressObserver::progressed, this,
          [this](int percent, const QString&, const QString& detail) {
            emit progressed(percent, detail);
          });
  connect(&worker_, &WorkerThread::finished, this, [this] {
    Copy();
    emit finished();
  });
}

void CopyRun::Start(Job job) {
  outcome_.reset();
  worker_.Start([this, job = std::move(job)](std::stop_token stop) {
    observer_.WatchStop(stop);
    Outcome outcome = job(working_, observer_, std::move(stop));
    outcome_.emplace(std::move(outcome));
  });
}

imaging::CopyStatus CopyRun::Shown() const {
  const std::lock_guard lock(shownMutex_);
  return shown_;
}

void CopyRun::Copy() {
  const std::lock_guard lock(shownMutex_);
  shown_ = working_;
}

}  // namespace kestrel::gui
