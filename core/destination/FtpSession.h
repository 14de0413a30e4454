// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "destination/FtpListing.h"
#include "destination/FtpSettings.h"

// The FTP client the system needs: one logged-in control connection, reused for every
// operation. Paths use "/"; one that starts with "/" is taken from the server's top folder,
// another from the folder the server logs the user into. One file per platform implements it.
namespace kestrel::destination {

struct FtpResult {
  enum Outcome {
    Done,
    Refused,         // the server answered no; the connection is still good
    ConnectionLost,  // the connection failed or broke: nothing more can be sent on it
    Stopped,         // a stop request ended the transfer; what arrived of it stays
  } outcome = Done;
  std::string error;  // what went wrong, for a person; never holds the password

  bool ok() const { return outcome == Done; }
};

// One file being stored on the server while its bytes are read.
class FtpUpload {
 public:
  virtual ~FtpUpload() = default;
  // Sends every byte before it returns.
  virtual FtpResult Write(std::span<const std::uint8_t> bytes) = 0;
  // Ends the file and waits for the server to confirm it.
  virtual FtpResult Finish() = 0;
};

class FtpSession {
 public:
  virtual ~FtpSession() = default;

  // Connects and logs in, or checks that the connection is still logged in; again after a drop.
  virtual FtpResult Connect() = 0;
  // What the folder holds; a stop request ends the wait for the server.
  virtual FtpResult List(const std::string& folder, FolderListing& listing,
                         std::stop_token stop) = 0;
  // Makes the folder and any missing parent; an existing folder is fine.
  virtual FtpResult MakeFolder(const std::string& folder) = 0;
  // The size of the file; nothing (with a Refused result) when there is no such file.
  virtual FtpResult FileSize(const std::string& path, std::optional<std::uint64_t>& size) = 0;
  virtual FtpResult Delete(const std::string& path) = 0;
  // Renames a file within its folder (RNFR, RNTO); what has the new name is replaced, as servers
  // do.
  virtual FtpResult Rename(const std::string& from, const std::string& to) = 0;
  // Starts storing the file (an existing file is replaced). Only one upload at a time, and no
  // other operation until it is finished or dropped. A stop request ends its writes and its
  // finish at once; so does a data connection that takes no byte for the timeout (a lost
  // connection).
  virtual std::unique_ptr<FtpUpload> Upload(const std::string& path, std::stop_token stop) = 0;
};

// The platform's FTP client for these settings; it connects on first use.
std::unique_ptr<FtpSession> OpenFtpSession(const FtpSettings& settings);

}  // namespace kestrel::destination
