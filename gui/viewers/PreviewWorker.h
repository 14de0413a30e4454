// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace kestrel::gui {

// Loads the previews of one page on a thread of its own, so that a slow or failing disk never
// freezes the window. One load runs at a time; a new one stops the load running (at its next
// stop check) and replaces one still waiting, and only the newest load's result is delivered.
// A load reads and decodes; what it returns runs on the window's thread, where widgets may be
// touched.
class PreviewWorker : public QObject {
  Q_OBJECT

 public:
  using Deliver = std::function<void()>;
  using Load = std::function<Deliver(std::stop_token)>;

  explicit PreviewWorker(QObject* parent);
  // Stops the load running and waits for it.
  ~PreviewWorker() override;

  void Post(Load load);
  // Nothing posted so far is delivered.
  void Cancel();

 private:
  struct Job {
    Load load;
    std::uint64_t generation = 0;
  };

  void Run();

  std::uint64_t generation_ = 0;  // of the newest load posted; read on the window's thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> waiting_;
  std::stop_source running_;
  bool closing_ = false;
  std::thread thread_;  // last: it starts when everything it uses is there
};

}  // namespace kestrel::gui
