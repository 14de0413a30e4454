// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "destination/Destination.h"
#include "destination/FtpSession.h"

namespace kestrel::destination {

// A folder on an FTP server, written over one connection for the whole run. Each file is sent
// as its bytes are read; once the run has sent a folder's files, one listing of the folder gives
// the size each of them arrived with (a file the listing gives no size for is asked about on its
// own). When the connection breaks in the middle of a file, that file is named as failed, the
// run connects again once and deletes what arrived of it; when that connection cannot be made,
// every later file fails at once instead of waiting on a server that is gone. Whether a name is
// taken is answered from one listing of its folder, kept up to date with what the run stores, so
// that the test costs no round trip per file; where the listing may leave names out (LIST, or a
// line that cannot be read), a name it does not show is asked about on its own.
class FtpDestination : public Destination {
 public:
  FtpDestination(std::unique_ptr<FtpSession> session, std::string root);

  // Logs in; false with the reason (shown after "Connection Failed").
  bool Connect(std::string& error);

  DestinationKind Kind() const override { return DestinationKind::FtpServer; }
  const std::string& Root() const override { return root_; }
  char Separator() const override { return '/'; }
  const NameRules& Rules() const override;
  bool CreateFolder(const std::string& path, std::string& error) override;
  bool Exists(const std::string& path) override;
  platform::CreatedFile CreateFile(const std::string& path, std::stop_token stop) override;
  std::optional<std::uint64_t> FreeBytes() override { return std::nullopt; }
  std::vector<LateFailure> CheckClosedFiles() override;
  platform::Renamed Rename(const std::string& from, const std::string& to, bool replace) override;
  // Asked once, by storing an empty file and renaming it.
  bool RenamesFiles(std::string& why) override;
  std::vector<std::string> FileNamesIn(const std::string& folder) override;
  std::optional<std::string> Remove(const std::string& path) override;

  // After an upload that failed: the file's own error, with what became of the partial file.
  std::string AfterFailedUpload(const std::string& path, const FtpResult& failure);
  // After an upload the server confirmed: its size is checked with the folder's.
  void Sent(const std::string& path, std::uint64_t bytes);

 private:
  // Passes the result on; a broken connection is made again once, and when that fails the
  // destination is given up.
  FtpResult Checked(FtpResult result);

  // Names are compared without regard to case: many servers store them so, and a name taken
  // in another case must not be overwritten.
  struct FolderNames {
    std::unordered_set<std::u32string> names;
    bool complete = false;  // the listing named every entry: a name not in it is free
  };
  // Asks the server whether the file is there.
  bool OnServer(const std::string& path);
  // The names in the folder; nothing when the server does not list it.
  const std::optional<FolderNames>& NamesIn(const std::string& folder);
  // A name the run has just taken.
  void Taken(const std::string& path);
  // The files (not folders) the folder's listing names; none when the server does not list it.
  std::vector<ListedEntry> ListedFiles(const std::string& folder);
  // The sizes of the folder's files by name, as its listing gives them; none when the server
  // does not list it.
  std::unordered_map<std::string, std::uint64_t> ListedSizes(const std::string& folder);
  // Why the file does not hold the `sent` bytes, from the size listed or else asked.
  std::optional<std::string> Shortfall(const std::string& path, std::uint64_t sent,
                                       std::optional<std::uint64_t> size);

  std::unique_ptr<FtpSession> session_;
  std::string root_;
  std::string lost_;                           // why the server is given up; empty while it is not
  std::optional<std::string> refusesRenames_;  // why, once asked; "" when it renames
  std::unordered_map<std::string, std::optional<FolderNames>> listed_;  // by folder
  // The bytes sent of each file not yet checked, by folder and name; a file sent again (after
  // an overwrite) counts with its last copy.
  std::map<std::string, std::map<std::string, std::uint64_t>> unchecked_;
};

}  // namespace kestrel::destination
