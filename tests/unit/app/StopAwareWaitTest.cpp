// SPDX-License-Identifier: Apache-2.0
// A wait that ends when what it waits for is ready, or when its stop is requested from another
// thread without anyone waking it.
#include <gtest/gtest.h>

#include <thread>

#include "app/PauseGate.h"
#include "app/StopAwareWait.h"

namespace kestrel::app {
namespace {

TEST(StopAwareWait, EndsWhenReadyOrWhenStopped) {
  std::mutex mutex;
  std::condition_variable changed;
  bool ready = false;
  std::stop_source stop;
  std::jthread readier([&] {
    const std::scoped_lock lock(mutex);
    ready = true;
    changed.notify_all();
  });
  std::unique_lock lock(mutex);
  EXPECT_TRUE(WaitUnlessStopped(changed, lock, stop.get_token(), [&] { return ready; }));

  ready = false;
  lock.unlock();
  std::jthread stopper([&] { stop.request_stop(); });  // wakes nobody
  lock.lock();
  EXPECT_FALSE(WaitUnlessStopped(changed, lock, stop.get_token(), [&] { return ready; }));
}

TEST(StopAwareWait, APausedOperationEndsOnAStopWithoutBeingResumed) {
  PauseGate pause;
  pause.Pause();
  std::jthread operation([&](std::stop_token stop) { pause.WaitWhilePaused(stop); });
  operation.request_stop();
  operation.join();  // hangs if the stop is not seen
}

}  // namespace
}  // namespace kestrel::app
