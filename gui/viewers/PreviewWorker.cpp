#include "gui/viewers/PreviewWorker.h"

namespace kestrel::gui {

PreviewWorker::PreviewWorker(QObject* parent)
    : QObject(parent), thread_([this](std::stop_token stop) { Run(stop); }) {}

PreviewWorker::~PreviewWorker() {
  {
    const std::scoped_lock lock(mutex_);
    running_.request_stop();
  }
  thread_.request_stop();
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

void PreviewWorker::Run(std::stop_token stop) {
  for (;;) {
    Job job;
    std::stop_token jobStop;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return waiting_.has_value(); })) return;
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
