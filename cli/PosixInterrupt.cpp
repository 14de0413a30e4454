// SPDX-License-Identifier: Apache-2.0
#include "Interrupt.h"

#include <pthread.h>

#include <csignal>

namespace kestrel::cli {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

// The signals are blocked in every thread and taken by a watcher thread with sigwait, so the
// stop request is made from ordinary code, never from a signal handler.
InterruptStop::InterruptStop() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watcher_ = std::jthread([this, signals](std::stop_token done) {
    int signal = 0;
    while (sigwait(&signals, &signal) == 0 && !done.stop_requested()) source_.request_stop();
  });
}

// The watcher is woken by a signal of its own, so that the command ends at once rather than at
// the watcher's next look at the clock.
InterruptStop::~InterruptStop() {
  watcher_.request_stop();
  pthread_kill(watcher_.native_handle(), SIGTERM);
  watcher_.join();
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

}  // namespace kestrel::cli
