// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/DriveIdentity.h"

// The operations the system needs from the operating system. Each platform implements them in
// one file (PosixPlatform.cpp, WindowsPlatform.cpp; DiskList.cpp holds what both do alike); the
// rest of the system never calls the operating system for a disk directly.
namespace kestrel::platform {

// The real path of physical disk n (a block device or an image file), or "" when there is no disk
// n. KESTREL_NSS_DISKS, when set, is the disk list: its n-th entry, entries parted by
// DiskListSeparator() (an empty entry is a missing disk). Otherwise the n-th whole disk of the
// system in name order ("\\.\PhysicalDrive%d" on Windows).
std::string DiskDevicePath(int n);

// What parts the entries of the disk list: ':', or ';' on Windows, as in PATH, since a drive
// letter's ':' is part of a path there.
char DiskListSeparator();

// Opens a file or block device read-only. A block device the system refuses for lack of
// permission is asked of the disk broker, when one is set.
disk::OpenedSource OpenReadOnly(const std::string& path);

// A read-only descriptor of a block device that a service opened on the process's behalf, or why
// it would not (descriptor -1).
struct BrokeredDevice {
  int descriptor = -1;
  std::string refusal;
};

// Who opens a block device that the process may not open itself: the desktop program, run by an
// ordinary user, asks udisks2, which polkit authorises (with a password where its policy says
// so). Without one, as on the command line, the refusal stands and says who may open the device.
// Windows programs run as administrator and never ask it.
using DiskBroker = std::function<BrokeredDevice(const std::string& devicePath)>;
// Set once, before any disk is opened.
void SetDiskBroker(DiskBroker broker);
const DiskBroker& CurrentDiskBroker();

enum class MediaKind { Fixed, Removable };

struct DiskPresence {
  MediaKind kind = MediaKind::Fixed;
  disk::OpenStatus status;  // a disk that exists but cannot be opened says why
};

// Whether disk n exists and how it is attached; nothing when there is no disk n.
std::optional<DiskPresence> FindDisk(int n);

// The real number of 512-byte sectors of disk n; 0 when it cannot be measured.
std::uint64_t DiskSectorCount(int n);

// The drive's own description (ATA IDENTIFY and SMART, else the system's device description).
std::optional<disk::DriveIdentity> IdentifyDrive(int n);

// Raw sector writes to a whole disk (cloning) or an image file.
class SectorWriter {
 public:
  virtual ~SectorWriter() = default;
  // Writes count sectors from buffer at the sector; one attempt, no retry.
  virtual bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                            std::span<const std::uint8_t> buffer) = 0;
  // Waits until everything written is on the storage itself; false when the storage says it
  // could not keep it.
  virtual bool Flush() = 0;
};

struct OpenedWriter {
  std::unique_ptr<SectorWriter> writer;
  disk::OpenStatus status;
};

// Opens disk n for writing, exclusively: a disk that holds a mounted file system is refused.
OpenedWriter OpenDiskForWriting(int n);

// A file being written by a recovery or an imaging run.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes every byte, or returns false with the reason in error() (disk full, file too large).
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Stores what was written; false when it could not be.
  virtual bool Close() = 0;
  virtual const std::string& error() const = 0;
};

struct CreatedFile {
  std::unique_ptr<WritableFile> file;
  std::string error;   // why there is no file, but for
  bool taken = false;  // no file, as asked, because the name is in use: what uses it is untouched
};

// What creating a file does when its name is in use (by a file, a folder or a link).
enum class IfTaken { Empty, Refuse };

// Creates the file; when the name is in use, empties that file or refuses, in one step, so that
// nothing made meanwhile is overwritten unasked. A symbolic link is never followed, so a name from
// disk cannot lead a write outside the folder it is written in.
CreatedFile CreateOutputFile(const std::string& path, IfTaken ifTaken = IfTaken::Empty);

// The process's standard output, as a file to write to.
std::unique_ptr<WritableFile> StandardOutput();

// Creates the folder and any missing parent; false with the reason when it cannot.
bool CreateFolders(const std::string& path, std::string& error);

// Whether anything (a file, a folder, a link) exists at the path.
bool PathExists(const std::string& path);

// What renaming a file did.
struct Renamed {
  bool done = false;
  // Not done, as asked, because the new name is in use: what uses it is untouched.
  bool taken = false;
  std::string error;  // why not, but for a name taken
};

// Gives the file at `from` the name `to` in one step, within one file system. With `replace` what
// has that name is replaced; without, the name in use is left alone, even if it was made a moment
// before.
Renamed RenameFile(const std::string& from, const std::string& to, bool replace);

// Writes out what the file system holding the path has not yet put on its disk, every file at
// once: far cheaper than a sync of each file. Nothing when done; else why not.
std::optional<std::string> SyncFileSystem(const std::string& path);

// The names of the plain files in the folder; none when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);

// Removes the file; why not, when it cannot be.
std::optional<std::string> RemoveFile(const std::string& path);

// Waits until the file at path, written through handles of another's (a library's), is on the
// storage itself; false when it cannot be opened or the storage says it could not keep it.
bool SyncFile(const std::string& path);

// The free bytes of the file system that holds the path; nothing when it cannot be measured.
std::optional<std::uint64_t> FreeBytes(const std::string& path);

// Creates the file an image is written to, or empties the one already there, for positioned
// sector writes. A path that names a device, a folder or anything else but a plain file is
// refused, so that an image can never be written over a disk.
OpenedWriter CreateImageFile(const std::string& path);
// Opens an image that an interrupted run left, to go on writing it; its bytes stay. Only a plain
// file is opened.
OpenedWriter OpenImageFileToResume(const std::string& path);

// Writes a text a piece at a time: calls `write` with each piece in order, and stops and returns
// false once a write fails. A large text (a report of a million files) is never whole in memory.
using WriteText = std::function<bool(std::string_view piece)>;
using TextInPieces = std::function<bool(const WriteText& write)>;

// Replaces the file's contents with the text so that a crash or a power loss leaves either the
// old file or the new one, never a mix: a temporary file beside it is written, made durable and
// renamed over it. Nothing when done; else why not.
std::optional<std::string> ReplaceFileAtomically(const std::string& path, const TextInPieces& text);
inline std::optional<std::string> ReplaceFileAtomically(const std::string& path,
                                                        std::string_view text) {
  return ReplaceFileAtomically(path, [text](const WriteText& write) { return write(text); });
}

// Path of the log report: KESTREL_NSS_LOG when set, else KestrelNSSLogReport.txt in the home
// folder (on Windows, at the top of the Windows folder's drive).
std::string LogReportPath();

// A write past the process's file-size limit fails with an error for the caller to report,
// rather than ending the process (POSIX sends SIGXFSZ; Windows has no such limit).
void FailWritesPastSizeLimit();

// The separator of local paths the system builds: "/", or "\\" on Windows.
char PathSeparator();

// Whether local file names follow Windows' rules (no reserved device names such as CON or NUL,
// no trailing dot or blank, none of <>:"|?*) rather than POSIX ones.
bool LocalNamesFollowWindowsRules();

}  // namespace kestrel::platform
