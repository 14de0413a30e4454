// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line needs from the console and the process, one file per platform:
// PosixConsole.cpp and WindowsConsole.cpp.
namespace kestrel::cli {

// Readies the process once at start: output bytes pass unchanged (UTF-8, "\n" line ends), and a
// write that fails is reported by the command instead of ending the program.
void PrepareConsole();

// The command-line arguments as UTF-8, whatever the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Whether standard error is a terminal that a progress line can be redrawn on.
bool StandardErrorIsTerminal();

// Shows the prompt on standard error and reads one line typed on the terminal with echo off;
// nothing (and no prompt) when standard input is no terminal.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

}  // namespace kestrel::cli
