// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <functional>
#include <stop_token>
#include <thread>

namespace kestrel::gui {

// Runs one long operation of the core on its own thread. `finished` reaches the GUI thread,
// queued, after the operation has returned and its thread has been joined, so that whatever the
// operation wrote may be read from then on.
class WorkerThread : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<void(std::stop_token)>;

  using QObject::QObject;
  // Asks a running operation to stop and waits for it.
  ~WorkerThread() override;

  void Start(Job job);
  void RequestStop() { thread_.request_stop(); }
  // From Start until `finished` has been delivered.
  bool IsRunning() const { return running_; }

 signals:
  void finished();

 private:
  std::jthread thread_;
  bool running_ = false;
};

}  // namespace kestrel::gui
