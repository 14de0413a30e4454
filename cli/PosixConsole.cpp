#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "Console.h"

namespace kestrel::cli {

// A file-size limit (SIGXFSZ) fails the write, to be reported, rather than ending the program.
void PrepareConsole() {
  std::signal(SIGXFSZ, SIG_IGN);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
  termios silent = saved;
  silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  std::cerr << prompt << std::flush;
  std::string line;
  std::getline(std::cin, line);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << '\n';
  return line;
}

}  // namespace kestrel::cli
