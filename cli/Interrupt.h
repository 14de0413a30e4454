// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stop_token>
#include <thread>

namespace kestrel::cli {

// Turns Ctrl-C (SIGINT) and SIGTERM, or Ctrl-C and Ctrl-Break on Windows, into a stop request, so
// that long work ends cleanly at its next boundary and keeps what it found or wrote. Lives for the
// duration of one command. One file per platform: PosixInterrupt.cpp, WindowsInterrupt.cpp.
class InterruptStop {
 public:
  InterruptStop();
  ~InterruptStop();
  InterruptStop(const InterruptStop&) = delete;
  InterruptStop& operator=(const InterruptStop&) = delete;

  std::stop_token token() const { return source_.get_token(); }
  bool interrupted() const { return source_.stop_requested(); }

 private:
  std::stop_source source_;
  std::jthread watcher_;  // takes the signals on POSIX systems
};

}  // namespace kestrel::cli
