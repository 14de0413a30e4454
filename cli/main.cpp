// SPDX-License-Identifier: Apache-2.0
// kestrel-nss-cli: the recovery engine without a window, for scripts and servers.
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "Console.h"
#include "app/DateStamp.h"
#include "app/Version.h"
#include "disk/platform/Platform.h"

namespace kestrel::cli {

void PrintError(std::string_view message) {
  std::cerr << "kestrel-nss-cli: " << message << '\n';
}

int Fail(std::string_view message) {
  PrintError(message);
  return kFailure;
}

namespace {

// Every run of the program appends its start-up header and its closing line to the log report.
class LogSession {
 public:
  LogSession() : log_(platform::LogReportPath()) {
    log_.WriteStartupHeader(app::DateTimeStampNow());
  }
  ~LogSession() { log_.WriteShutdownLine(app::DateTimeStampNow()); }
  const app::LogReport& log() const { return log_; }

 private:
  app::LogReport log_;
};

// A command whose output could not all be written has failed, whatever it did: a script reading
// it would take a cut list for the whole. Nothing a command throws leaves the program unsaid.
int RunCommand(Command& command, const app::LogReport& log) {
  int status = kFailure;
  try {
    status = command.Run(log);
  } catch (const std::exception& error) {
    status = Fail(std::string("the command ended on an unexpected error: ") + error.what());
  }
  std::cout.flush();
  if (!std::cout) return Fail("standard output could not be written");
  return status;
}

// Without a command, the commands are listed, one line each, as --help lists them.
int MissingCommand(const CLI::App& parser) {
  std::cerr << parser.help();
  PrintError("a command is required");
  return kUsage;
}

int Main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  PrepareConsole();
  CLI::App parser{
      "kestrel-nss-cli: lists, scans and recovers NSS pools and volumes of NetWare disks"};
  parser.set_version_flag("--version", "kestrel-nss-cli " + std::string(app::VersionText()));
  parser.require_subcommand(0, 1);
  std::vector<std::string> arguments = Utf8Arguments(argc, argv);
  std::string commandLine;
  for (const std::string& argument : arguments)
    commandLine += (commandLine.empty() ? "" : " ") + argument;
  std::vector<RegisteredCommand> commands;
  commands.push_back(AddDisksCommand(parser));
  commands.push_back(AddDrivesCommand(parser));
  commands.push_back(AddLsCommand(parser));
  commands.push_back(AddRecoverCommand(parser, commandLine));
  commands.push_back(AddCatCommand(parser));
  commands.push_back(AddFindCommand(parser));
  commands.push_back(AddDiskScanCommand(parser));
  commands.push_back(AddSaveScanCommand(parser));
  commands.push_back(AddImageCommand(parser));
  commands.push_back(AddCloneCommand(parser));
  commands.push_back(AddMountCommand(parser));
  commands.push_back(AddHexdumpCommand(parser));
  commands.push_back(AddRaidDetectCommand(parser));
  commands.push_back(AddReportCommand(parser, commandLine));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  try {
    parser.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    return parser.exit(error) == 0 ? kSuccess : kUsage;
  }
  if (parser.get_subcommands().empty()) return MissingCommand(parser);
  const LogSession session;
  for (const auto& [subcommand, command] : commands) {
    if (subcommand->parsed()) return RunCommand(*command, session.log());
  }
  return kUsage;
}

}  // namespace
}  // namespace kestrel::cli

int main(int argc, char** argv) {
  return kestrel::cli::Main(argc, argv);
}
