// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "app/LogReport.h"

namespace kestrel::cli {

// Exit status of every command: 0 everything asked for was done, 1 it failed or was incomplete,
// 2 the command line was wrong.
enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

// One subcommand: it declares its options on its own CLI11 parser and runs after parsing.
class Command {
 public:
  virtual ~Command() = default;
  virtual int Run(const app::LogReport& log) = 0;
};

struct RegisteredCommand {
  CLI::App* parser;
  std::unique_ptr<Command> command;
};

RegisteredCommand AddDisksCommand(CLI::App& app);
RegisteredCommand AddDrivesCommand(CLI::App& app);
RegisteredCommand AddLsCommand(CLI::App& app);
RegisteredCommand AddRecoverCommand(CLI::App& app, const std::string& commandLine);
RegisteredCommand AddCatCommand(CLI::App& app);
RegisteredCommand AddFindCommand(CLI::App& app);
RegisteredCommand AddDiskScanCommand(CLI::App& app);
RegisteredCommand AddSaveScanCommand(CLI::App& app);
RegisteredCommand AddImageCommand(CLI::App& app);
RegisteredCommand AddCloneCommand(CLI::App& app);
RegisteredCommand AddMountCommand(CLI::App& app);
RegisteredCommand AddHexdumpCommand(CLI::App& app);
RegisteredCommand AddRaidDetectCommand(CLI::App& app);
// `commandLine` is the whole command line as typed, which reports record.
RegisteredCommand AddReportCommand(CLI::App& app, const std::string& commandLine);

// "kestrel-nss-cli: <message>" on standard error.
void PrintError(std::string_view message);
// The same, for a command that ends on it: returns kFailure.
int Fail(std::string_view message);

}  // namespace kestrel::cli
