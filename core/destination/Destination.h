// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "disk/platform/Platform.h"

namespace kestrel::destination {

enum class DestinationKind : std::uint8_t { LocalDrive = 0, FtpServer = 1 };

// What a name from disk may hold at a destination.
struct NameRules {
  std::u16string refused;     // characters the destination refuses in a name
  std::size_t maxBytes;       // the longest name in UTF-8 bytes
  bool windowsNames = false;  // no device names (CON, NUL...), no dot or blank at the end
};

// The names of a POSIX file system, and those of a Windows one.
const NameRules& PosixNameRules();
const NameRules& WindowsNameRules();

// A file found, after it was closed, not to hold all that was written to it.
struct LateFailure {
  std::string path;
  std::string reason;
};

// Where recovered folders and files are written: a local folder or an FTP server. Paths are
// UTF-8 and use the destination's separator.
class Destination {
 public:
  virtual ~Destination() = default;

  virtual DestinationKind Kind() const = 0;
  virtual const std::string& Root() const = 0;
  virtual char Separator() const = 0;
  virtual const NameRules& Rules() const = 0;

  // Creates the folder and any missing parent; false with the reason when it cannot.
  virtual bool CreateFolder(const std::string& path, std::string& error) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // A file to write; a stop request may end a write that waits on the destination.
  virtual platform::CreatedFile CreateFile(const std::string& path, std::stop_token stop) = 0;
  // The same, but only when the name is free: `taken` says when it is not.
  virtual platform::CreatedFile CreateNewFile(const std::string& path, std::stop_token stop) {
    if (Exists(path)) return {nullptr, {}, true};
    return CreateFile(path, std::move(stop));
  }
  // Free bytes at the destination; nothing where it cannot be measured.
  virtual std::optional<std::uint64_t> FreeBytes() = 0;
  // How many files a run may write at once, each on a thread of its own; a file is made only once
  // the files before it are closed when it is one (as a session uploads one file at a time).
  virtual std::size_t FilesAtOnce() const { return 1; }
  // The files closed since the last call that are found not stored whole. A destination that
  // checks each file as it closes it finds none here; a server checks a folder's files with one
  // listing, which costs far less than a question per file.
  virtual std::vector<LateFailure> CheckClosedFiles() { return {}; }

  // Gives a closed file its own name in the same folder (see platform::RenameFile).
  virtual platform::Renamed Rename(const std::string& from, const std::string& to,
                                   bool replace) = 0;
  // Whether a name given by Rename may point at data a power loss could still take, so that the
  // files must first be made durable, many at once.
  virtual bool WritesBehind() const { return false; }
  // Makes the files closed so far durable; nothing when done, else why not.
  virtual std::optional<std::string> MakeDurable() { return std::nullopt; }
  // Whether files can be written under another name and renamed; false with the reason.
  virtual bool RenamesFiles(std::string& /*why*/) { return true; }
  // The names of the files (not folders) in the folder; none when it cannot be listed.
  virtual std::vector<std::string> FileNamesIn(const std::string& folder) = 0;
  // Removes the file; why not, when it cannot be.
  virtual std::optional<std::string> Remove(const std::string& path) = 0;

  std::string Join(const std::string& folder, const std::string& name) const {
    return folder.empty() || folder.back() == Separator() ? folder + name
                                                          : folder + Separator() + name;
  }
};

// A folder of the local file systems.
class LocalDestination : public Destination {
 public:
  explicit LocalDestination(std::string root) : root_(std::move(root)) {}

  DestinationKind Kind() const override { return DestinationKind::LocalDrive; }
  const std::string& Root() const override { return root_; }
  char Separator() const override { return platform::PathSeparator(); }
  const NameRules& Rules() const override;
  bool CreateFolder(const std::string& path, std::string& error) override {
    return platform::CreateFolders(path, error);
  }
  bool Exists(const std::string& path) override { return platform::PathExists(path); }
  platform::CreatedFile CreateFile(const std::string& path, std::stop_token) override {
    return platform::CreateOutputFile(path);
  }
  platform::CreatedFile CreateNewFile(const std::string& path, std::stop_token) override {
    return platform::CreateOutputFile(path, platform::IfTaken::Refuse);
  }
  platform::Renamed Rename(const std::string& from, const std::string& to, bool replace) override {
    return platform::RenameFile(from, to, replace);
  }
  // The kernel writes files out later: a rename lasts before the data it names.
  bool WritesBehind() const override { return true; }
  std::optional<std::string> MakeDurable() override { return platform::SyncFileSystem(root_); }
  std::vector<std::string> FileNamesIn(const std::string& folder) override {
    return platform::FileNamesIn(folder);
  }
  std::optional<std::string> Remove(const std::string& path) override {
    return platform::RemoveFile(path);
  }
  std::optional<std::uint64_t> FreeBytes() override { return platform::FreeBytes(root_); }
  // Two: the kernel's copy into each file then runs on a processor of its own.
  std::size_t FilesAtOnce() const override { return 2; }

 private:
  std::string root_;
};

}  // namespace kestrel::destination
