// SPDX-License-Identifier: Apache-2.0
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <iterator>

#include "Console.h"
#include "disk/platform/Platform.h"

namespace kestrel::cli {

void PrepareConsole() {
  platform::FailWritesPastSizeLimit();
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

namespace {

// The terminal as it was before a prompt turned its echo off, for a signal that ends the program
// at the prompt to put back.
termios savedTerminal{};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminalAndEnd(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Echo off while it lives; the terminal is put back however the prompt ends, a signal included.
class EchoOff {
 public:
  explicit EchoOff(const termios& saved) {
    savedTerminal = saved;
    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndEnd;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      sigaction(kEndingSignals[i], &restore, &previous_[i]);
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  }
  ~EchoOff() {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      sigaction(kEndingSignals[i], &previous_[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  struct sigaction previous_[std::size(kEndingSignals)]{};
};

}  // namespace

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
  std::string line;
  {
    const EchoOff hidden(saved);
    std::cerr << prompt << std::flush;
    std::getline(std::cin, line);
  }
  std::cerr << '\n';
  return line;
}

}  // namespace kestrel::cli
