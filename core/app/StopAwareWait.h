// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace kestrel::app {

// Waits on `changed` until `ready()` or until a stop is requested, and says whether ready()
// holds. Like condition_variable_any's wait with a stop token, except that the token is looked
// at between short waits instead of being given a stop callback: in MinGW-w64's GCC 12 runtime a
// thread that removes its stop callback while another thread is running it waits on a semaphore
// whose wakeup can be lost (there is no futex), and that thread, and whoever joins it, then hangs
// for good.
template <class Ready>
bool WaitUnlessStopped(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                       const std::stop_token& stop, Ready ready) {
  constexpr std::chrono::milliseconds kStopPoll(20);
  while (!ready()) {
    if (stop.stop_requested()) return false;
    changed.wait_for(lock, kStopPoll);
  }
  return true;
}

}  // namespace kestrel::app
