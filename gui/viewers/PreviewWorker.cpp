// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/PreviewWorker.h"

namespace kestrel::gui {

PreviewWorker::PreviewWorker(QObject* parent) : QObject(parent), thread_([this] { Run(); }) {}

PreviewWorker::~PreviewWorker() {
  {
    const std::scoped_lock lock(mutex_);
    running_.request_stop();
    closing_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void PreviewWorker::Post(Load load) {
  const std::scoped_lock lock(mutex_);
  waiting_ = Job{std::move(load), ++generation_};
  running_.request_stop();
  wake_.notify_one();
}

void PreviewWorker::Cancel() {
  const std::scoped_lock lock(mutex_);
  ++generation_;
  waiting_.reset();
  running_.request_stop();
}

// The thread ends on a flag rather than a stop token: see app/StopAwareWait.h.
void PreviewWorker::Run() {
  for (;;) {
    Job job;
    std::stop_token jobStop;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || waiting_.has_value(); });
      if (closing_) return;
      job = std::move(*waiting_);
      waiting_.reset();
      running_ = std::stop_source();
      jobStop = running_.get_token();
    }
    Deliver deliver = job.load(jobStop);
    if (!deliver || jobStop.stop_requested()) continue;
    QMetaObject::invokeMethod(
        this,
        [this, generation = job.generation, deliver = std::move(deliver)] {
          if (generation == generation_) deliver();
        },
        Qt::QueuedConnection);
  }
}

}  // namespace kestrel::gui
