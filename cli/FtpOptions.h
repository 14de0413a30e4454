// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "destination/FtpDestination.h"
#include "destination/FtpSettings.h"

namespace kestrel::cli {

// --ftp HOST[:PORT] --ftp-user USER [--ftp-passive] [--ftp-tls] [--ftp-ca FILE]: recovery onto
// an FTP server. The password is never an option: it comes from KESTREL_NSS_FTP_PASSWORD, from
// ~/.netrc, or from the terminal without echo.
class FtpOptions {
 public:
  void AddTo(CLI::App& parser);

  bool Given() const { return address_.has_value(); }

  // Gathers the settings and the password before any scan; false, with the reason on standard
  // error, when there is no way to get the password.
  bool Read();

  // Logs in to the server, for a run that writes into `folder`; nothing, after "Connection
  // Failed" and the reason on standard error, when it cannot.
  std::unique_ptr<destination::FtpDestination> Connect(const std::string& folder) const;

 private:
  std::optional<std::string> address_;
  std::string user_;
  bool passive_ = false;
  bool tlsRequired_ = false;
  std::string caFile_;
  destination::FtpSettings settings_;
};

}  // namespace kestrel::cli
