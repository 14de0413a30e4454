// SPDX-License-Identifier: Apache-2.0
#include "FtpOptions.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "Command.h"
#include "Console.h"

namespace kestrel::cli {
namespace {

constexpr const char* kPasswordVariable = "KESTREL_NSS_FTP_PASSWORD";

bool NetrcExists() {
  const char* home = std::getenv("HOME");
  std::error_code error;
  return home && std::filesystem::is_regular_file(std::filesystem::path(home) / ".netrc", error);
}

// Asks on the terminal, with echo off; nothing when standard input is no terminal.
std::optional<destination::Secret> AskPassword(const std::string& user, const std::string& host) {
  std::optional<std::string> line = ReadHiddenLine("FTP password for " + user + "@" + host + ": ");
  if (!line) return std::nullopt;
  return destination::Secret(std::move(*line));
}

}  // namespace

void FtpOptions::AddTo(CLI::App& parser) {
  auto* ftp = parser.add_option("--ftp", address_,
                                "Recover onto this FTP server (HOST or HOST:PORT, port 21 by "
                                "default); --to is then the folder on the server");
  parser.add_option("--ftp-user", user_, "The user name on the FTP server")->needs(ftp);
  parser.add_flag("--ftp-passive", passive_, "Passive mode (PASV) instead of active mode (PORT)")
      ->needs(ftp);
  parser.add_flag("--ftp-tls", tlsRequired_, "Refuse a server that does not offer TLS (AUTH TLS)")
      ->needs(ftp);
  parser
      .add_option("--ftp-ca", caFile_,
                  "Trust the certificates in this file instead of the system's, for a server "
                  "with a certificate of its own")
      ->needs(ftp);
}

bool FtpOptions::Read() {
  if (!Given()) return true;
  destination::HostAndPort server;
  if (!destination::ParseHostAndPort(*address_, server)) {
    PrintError("--ftp wants HOST or HOST:PORT with a port from 1 to 65535, not " + *address_);
    return false;
  }
  if (user_.empty()) {
    PrintError("--ftp needs --ftp-user");
    return false;
  }
  settings_.host = server.host;
  settings_.port = server.port;
  settings_.user = user_;
  settings_.passive = passive_;
  settings_.tls = tlsRequired_ ? destination::FtpTls::Required : destination::FtpTls::WhenOffered;
  settings_.caFile = caFile_;
  if (const char* password = std::getenv(kPasswordVariable)) {
    settings_.password = destination::Secret(password);
  } else if (NetrcExists()) {
    settings_.passwordFromNetrc = true;
  } else if (auto typed = AskPassword(user_, server.host)) {
    settings_.password = std::move(*typed);
  } else {
    PrintError(std::string("no FTP password: set ") + kPasswordVariable +
               ", put the server into ~/.netrc, or run on a terminal to type it");
    return false;
  }
  return true;
}

std::unique_ptr<destination::FtpDestination> FtpOptions::Connect(const std::string& folder) const {
  auto destination =
      std::make_unique<destination::FtpDestination>(destination::OpenFtpSession(settings_), folder);
  std::string error;
  if (destination->Connect(error)) return destination;
  PrintError(std::string(destination::kConnectionFailedText) + ": " + error);
  return nullptr;
}

}  // namespace kestrel::cli
