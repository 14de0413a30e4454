// SPDX-License-Identifier: Apache-2.0
#include "gui/common/WorkerThread.h"

namespace kestrel::gui {

WorkerThread::~WorkerThread() {
  thread_.request_stop();
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::Start(Job job) {
  running_ = true;
  thread_ = std::jthread([this, job = std::move(job)](std::stop_token stop) {
    job(std::move(stop));
    QMetaObject::invokeMethod(
        this,
        [this] {
          thread_.join();
          running_ = false;
          emit finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kestrel::gui
