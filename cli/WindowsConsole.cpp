// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "Console.h"
#include "disk/platform/WideText.h"

namespace kestrel::cli {

// Output is UTF-8 with "\n" line ends, byte for byte what the Linux build writes (text mode would
// add "\r"); the console shows it as UTF-8 and draws the progress line's escape sequences.
void PrepareConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode))
    SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// The narrow argv went through the ANSI code page; the wide command line has every character.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(platform::FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (!GetConsoleMode(input, &saved)) return std::nullopt;
  SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::cerr << prompt << std::flush;
  std::string line;
  std::getline(std::cin, line);
  SetConsoleMode(input, saved);
  std::cerr << '\n';
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kestrel::cli
