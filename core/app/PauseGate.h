// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "app/StopAwareWait.h"

namespace kestrel::app {

// Lets a front end hold a long operation between two of its steps (while a stop question is on
// screen) without suspending its thread: the operation waits here until resumed or stopped.
class PauseGate {
 public:
  void Pause() {
    const std::lock_guard lock(mutex_);
    paused_ = true;
  }

  void Resume() {
    {
      const std::lock_guard lock(mutex_);
      paused_ = false;
    }
    resumed_.notify_all();
  }

  // Returns at once unless paused; then when resumed, or when a stop is requested.
  void WaitWhilePaused(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    WaitUnlessStopped(resumed_, lock, stop, [this] { return !paused_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable resumed_;
  bool paused_ = false;
};

}  // namespace kestrel::app
