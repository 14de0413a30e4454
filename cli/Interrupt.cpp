#include "Interrupt.h"

#include <csignal>
#include <ctime>

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

// The signals are blocked in every thread and taken by a watcher thread with sigtimedwait, so
// the stop request is made from ordinary code, never from a signal handler.
InterruptStop::InterruptStop() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watcher_ = std::jthread([this, signals](std::stop_token done) {
    const timespec pause{0, 100'000'000};
    while (!done.stop_requested()) {
      if (sigtimedwait(&signals, nullptr, &pause) > 0) source_.request_stop();
    }
  });
}

InterruptStop::~InterruptStop() {
  watcher_.request_stop();
  watcher_.join();
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

}  // namespace kestrel::cli
