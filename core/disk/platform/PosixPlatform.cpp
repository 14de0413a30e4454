// SPDX-License-Identifier: Apache-2.0
// The platform layer for Linux and other POSIX systems: disks are block devices (or image files
// named by KESTREL_NSS_DISKS), read with pread at 64-bit offsets.
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <scsi/sg.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "disk/platform/DiskList.h"
#include "disk/platform/PermissionRefusal.h"
#include "disk/platform/Platform.h"

namespace kestrel::platform {
namespace {

namespace fs = std::filesystem;
using disk::OpenError;
using disk::OpenStatus;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// What stat tells of a block device; nothing for a file, anything else, or a missing path.
std::optional<struct stat> BlockDeviceStat(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
  return info;
}

// Who may open a block device the user was refused: root, and the members of its group. Disks
// are opened from several threads: the group is looked up with the reentrant call.
std::string WhoMayOpen(const std::string& path) {
  const std::optional<struct stat> device = BlockDeviceStat(path);
  if (!device) return {};
  struct group entry {};
  struct group* owners = nullptr;
  std::array<char, 4096> names{};
  if (device->st_gid == 0 ||
      ::getgrgid_r(device->st_gid, &entry, names.data(), names.size(), &owners) != 0 || !owners)
    return " (run as root)";
  return std::string(" (run as root, or join the group \"") + owners->gr_name +
         "\", which may read the device)";
}

OpenStatus StatusFromErrno(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return {OpenError::NotFound, path + ": no such disk or file"};
    case EACCES:
    case EPERM:
      return {OpenError::PermissionDenied,
              path + ": " + PermissionRefusal(::geteuid() == 0, error, WhoMayOpen(path))};
    case EBUSY:
      return {OpenError::Failed, path + ": in use (it holds a mounted file system)"};
    default:
      return {OpenError::Failed, path + ": " + std::strerror(error)};
  }
}

std::int64_t SizeOf(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return 0;
  if (!S_ISBLK(info.st_mode)) return info.st_size;
  std::uint64_t bytes = 0;
  return ::ioctl(fd, BLKGETSIZE64, &bytes) == 0 ? static_cast<std::int64_t>(bytes) : 0;
}

class FileSource : public disk::ByteSource {
 public:
  explicit FileSource(int fd) : fd_(fd), size_(SizeOf(fd)) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    if (offset < 0) return std::nullopt;
    std::size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t count = ::pread(fd_.get(), buffer.data() + done, buffer.size() - done,
                                    offset + static_cast<std::int64_t>(done));
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) return std::nullopt;
      if (count == 0) break;
      done += static_cast<std::size_t>(count);
    }
    return done;
  }

  std::int64_t Size() const override { return size_; }

  void AdviseSequential(std::int64_t offset, std::int64_t length) override {
    ::posix_fadvise(fd_.get(), offset, length, POSIX_FADV_SEQUENTIAL);
  }

  // lseek moves the descriptor's position, which no read uses (they are positioned). A file
  // system that cannot tell holes, and a disk, answer the offset itself.
  std::int64_t NextData(std::int64_t offset) const override {
    const off_t data = ::lseek(fd_.get(), offset, SEEK_DATA);
    if (data >= 0) return data;
    return errno == ENXIO ? std::max(offset, size_) : offset;
  }

 private:
  FileDescriptor fd_;
  std::int64_t size_;
};

// Sector writes to a disk or an image file. A write that the kernel cuts short is continued, so
// that the failure that follows says why (a full disk) instead of passing for a success.
class DeviceWriter : public SectorWriter {
 public:
  explicit DeviceWriter(int fd) : fd_(fd) {}

  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t> buffer) override {
    const auto offset = disk::SectorOffset(sector);
    const std::size_t bytes = std::size_t{count} * disk::layout::kSectorSize;
    if (!offset || buffer.size() < bytes) return false;
    for (std::size_t done = 0; done < bytes;) {
      const ssize_t written = ::pwrite(fd_.get(), buffer.data() + done, bytes - done,
                                       *offset + static_cast<std::int64_t>(done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += static_cast<std::size_t>(written);
    }
    return true;
  }

  bool Flush() override { return ::fsync(fd_.get()) == 0; }

 private:
  FileDescriptor fd_;
};

// A file written front to back. A file created for recovered data is written sparse: a request
// of zeros only leaves a hole, which reads as zeros and takes no room, so that a large file that is
// mostly empty (a disk image, a database) fits where it fitted before.
class LocalFile : public WritableFile {
 public:
  enum class Holes { Written, Left };
  LocalFile(int fd, Holes holes) : fd_(fd), holes_(holes) {}
  ~LocalFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Write(std::span<const std::uint8_t> bytes) override {
    const auto zero = [](std::uint8_t byte) { return byte == 0; };
    if (holes_ == Holes::Left && std::all_of(bytes.begin(), bytes.end(), zero))
      return Skip(bytes.size());
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) return Fail(errno);
      done += static_cast<std::size_t>(count);
    }
    endsInHole_ = false;
    return true;
  }

  bool Close() override {
    const int fd = std::exchange(fd_, -1);
    const off_t end = endsInHole_ ? ::lseek(fd, 0, SEEK_CUR) : 0;
    if (endsInHole_ && (end < 0 || ::ftruncate(fd, end) != 0)) {
      Fail(errno);
      ::close(fd);
      return false;
    }
    return ::close(fd) == 0 || Fail(errno);
  }

  const std::string& error() const override { return error_; }

 private:
  bool Skip(std::size_t count) {
    if (::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) < 0) return Fail(errno);
    if (count != 0) endsInHole_ = true;
    return true;
  }

  bool Fail(int error) {
    error_ = std::strerror(error);
    return false;
  }

  int fd_;
  Holes holes_;
  bool endsInHole_ = false;  // the file's length is set at Close
  std::string error_;
};

// The whole disks of the system: entries of /sys/block backed by a device, in name order.
std::vector<std::string> SystemDisks() {
  std::vector<std::string> disks;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
    if (fs::exists(entry.path() / "device", error)) {
      disks.push_back("/dev/" + entry.path().filename().string());
    }
  }
  std::sort(disks.begin(), disks.end());
  return disks;
}

// The sysfs folder of a block device, or an empty path for files and other things.
fs::path SysfsFolder(const std::string& path) {
  const std::optional<struct stat> device = BlockDeviceStat(path);
  if (!device) return {};
  return fs::path("/sys/dev/block") /
         (std::to_string(major(device->st_rdev)) + ":" + std::to_string(minor(device->st_rdev)));
}

std::string ReadTrimmed(const fs::path& file) {
  std::ifstream stream(file);
  std::string text;
  std::getline(stream, text);
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t\r\n");
  return first == std::string::npos ? std::string{} : text.substr(first, last - first + 1);
}

// ATA PASS-THROUGH (16) through SG_IO. With data, 512 bytes are read (PIO data-in); without,
// the command transfers nothing.
bool AtaCommand(int fd, std::uint8_t command, std::uint8_t feature, std::span<std::uint8_t> data) {
  constexpr std::uint8_t kPioDataIn = 4, kNonData = 3;
  constexpr std::uint8_t kSmartMid = 0x4F, kSmartHigh = 0xC2;
  const bool smart = command == 0xB0;
  std::array<std::uint8_t, 16> cdb{};
  cdb[0] = 0x85;
  cdb[1] = static_cast<std::uint8_t>((data.empty() ? kNonData : kPioDataIn) << 1);
  cdb[2] = data.empty() ? 0x00 : 0x0E;  // from the device, count in sectors of 512 bytes
  cdb[4] = feature;
  cdb[6] = data.empty() ? 0 : 1;
  cdb[10] = smart ? kSmartMid : 0;
  cdb[12] = smart ? kSmartHigh : 0;
  cdb[13] = 0xA0;
  cdb[14] = command;
  std::array<std::uint8_t, 32> sense{};
  sg_io_hdr_t request{};
  request.interface_id = 'S';
  request.cmd_len = cdb.size();
  request.cmdp = cdb.data();
  request.mx_sb_len = sense.size();
  request.sbp = sense.data();
  request.dxfer_direction = data.empty() ? SG_DXFER_NONE : SG_DXFER_FROM_DEV;
  request.dxfer_len = static_cast<unsigned>(data.size());
  request.dxferp = data.data();
  request.timeout = 5000;
  return ::ioctl(fd, SG_IO, &request) == 0 && request.status == 0 && request.host_status == 0 &&
         request.driver_status == 0;
}

std::optional<disk::DriveIdentity> IdentifyByAta(int fd) {
  std::array<std::uint8_t, 512> data{};
  constexpr std::uint8_t kIdentifyDevice = 0xEC, kSmart = 0xB0;
  constexpr std::uint8_t kSmartEnable = 0xD8, kSmartReadData = 0xD0;
  if (!AtaCommand(fd, kIdentifyDevice, 0, data)) return std::nullopt;
  disk::DriveIdentity identity = disk::ParseIdentifyData(data);
  if (identity.model.empty()) return std::nullopt;
  data.fill(0);
  if (AtaCommand(fd, kSmart, kSmartEnable, {}) && AtaCommand(fd, kSmart, kSmartReadData, data)) {
    identity.temperature = disk::SmartTemperature(data);
  }
  return identity;
}

std::optional<disk::DriveIdentity> IdentifyBySysfs(const fs::path& folder) {
  disk::DriveIdentity identity;
  identity.model = ReadTrimmed(folder / "device" / "model");
  identity.serial = ReadTrimmed(folder / "device" / "serial");
  identity.firmware = ReadTrimmed(folder / "device" / "rev");
  if (identity.firmware.empty())
    identity.firmware = ReadTrimmed(folder / "device" / "firmware_rev");
  if (identity.model.empty() && identity.serial.empty()) return std::nullopt;
  return identity;
}

// A block device the user may not open, opened by the disk broker when there is one.
disk::OpenedSource OpenThroughBroker(const std::string& path, OpenStatus refused) {
  const DiskBroker& broker = CurrentDiskBroker();
  if (!broker || !BlockDeviceStat(path)) return {{}, std::move(refused)};
  BrokeredDevice device = broker(path);
  if (device.descriptor < 0)
    return {{}, {OpenError::PermissionDenied, refused.message + "; " + device.refusal}};
  return {disk::DiskReader(std::make_shared<FileSource>(device.descriptor)), {}};
}

}  // namespace

std::string DiskDevicePath(int n) {
  if (n < 0) return {};
  if (const char* configured = std::getenv("KESTREL_NSS_DISKS"))
    return DiskListEntry(configured, DiskListSeparator(), n);
  const std::vector<std::string> disks = SystemDisks();
  return static_cast<std::size_t>(n) < disks.size() ? disks[static_cast<std::size_t>(n)]
                                                    : std::string{};
}

disk::OpenedSource OpenReadOnly(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) return {disk::DiskReader(std::make_shared<FileSource>(fd)), {}};
  OpenStatus refused = StatusFromErrno(path, errno);
  if (refused.error != OpenError::PermissionDenied) return {{}, std::move(refused)};
  return OpenThroughBroker(path, std::move(refused));
}

std::optional<DiskPresence> FindDisk(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty()) return std::nullopt;
  DiskPresence presence;
  presence.status = OpenReadOnly(path).status;
  if (presence.status.error == OpenError::NotFound) return std::nullopt;
  const fs::path folder = SysfsFolder(path);
  const bool removable = !folder.empty() && ReadTrimmed(folder / "removable") == "1";
  presence.kind = removable ? MediaKind::Removable : MediaKind::Fixed;
  return presence;
}

std::optional<disk::DriveIdentity> IdentifyDrive(int n) {
  const std::string path = DiskDevicePath(n);
  const fs::path folder = path.empty() ? fs::path{} : SysfsFolder(path);
  if (folder.empty()) return std::nullopt;
  const FileDescriptor device(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (device.get() >= 0) {
    if (auto identity = IdentifyByAta(device.get())) return identity;
  }
  return IdentifyBySysfs(folder);
}

OpenedWriter OpenDiskForWriting(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty())
    return {nullptr, {OpenError::NotFound, "Disk" + std::to_string(n) + ": no such disk"}};
  const int exclusive = SysfsFolder(path).empty() ? 0 : O_EXCL;
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | exclusive);
  if (fd < 0) return {nullptr, StatusFromErrno(path, errno)};
  return {std::make_unique<DeviceWriter>(fd), {}};
}

CreatedFile CreateOutputFile(const std::string& path, IfTaken ifTaken) {
  const int flags =
      O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (ifTaken == IfTaken::Refuse ? O_EXCL : O_TRUNC);
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0 && errno == EEXIST) return {nullptr, {}, true};
  if (fd < 0)
    return {nullptr, errno == ELOOP ? "a symbolic link is in the way" : std::strerror(errno)};
  return {std::make_unique<LocalFile>(fd, LocalFile::Holes::Left), {}};
}

std::unique_ptr<WritableFile> StandardOutput() {
  return std::make_unique<LocalFile>(::dup(STDOUT_FILENO), LocalFile::Holes::Written);
}

bool CreateFolders(const std::string& path, std::string& error) {
  std::error_code code;
  fs::create_directories(path, code);
  if (!code && fs::is_directory(path, code)) return true;
  error = code ? code.message() : "a file of that name is in the way";
  return false;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

Renamed RenameFile(const std::string& from, const std::string& to, bool replace) {
  const unsigned flags = replace ? 0 : RENAME_NOREPLACE;
  int result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags);
  // A file system that cannot refuse in the rename itself (some network and FUSE ones) can still
  // refuse in a hard link, which fails when the name is in use.
  if (result != 0 && errno == EINVAL && !replace && ::link(from.c_str(), to.c_str()) == 0)
    result = ::unlink(from.c_str());
  if (result == 0) return {true, false, {}};
  if (errno == EEXIST) return {false, true, {}};
  return {false, false, std::strerror(errno)};
}

std::optional<std::string> SyncFileSystem(const std::string& path) {
  const FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0 || ::syncfs(folder.get()) != 0) return path + ": " + std::strerror(errno);
  return std::nullopt;
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code code;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, code)) {
    if (entry.is_regular_file(code)) names.push_back(entry.path().filename().string());
  }
  return names;
}

std::optional<std::string> RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return path + ": " + std::strerror(errno);
  return std::nullopt;
}

bool SyncFile(const std::string& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return file.get() >= 0 && ::fsync(file.get()) == 0;
}

std::optional<std::uint64_t> FreeBytes(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return std::uint64_t{info.f_bfree} * info.f_frsize;
}

// The file is opened before it is emptied, and emptied only once it is known to be a plain file:
// O_TRUNC would be ignored by a disk, and the writes would then go onto the disk. O_NONBLOCK keeps
// a named pipe from holding the open until a reader comes.
namespace {

// Opens the image, refusing anything but a plain file. O_NONBLOCK keeps a named pipe from holding
// the open until a reader comes; it is cleared once the file is known to be plain.
OpenedWriter OpenPlainImageFile(const std::string& path, int createFlag, bool empty) {
  const int fd =
      ::open(path.c_str(), O_WRONLY | createFlag | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return {nullptr, StatusFromErrno(path, errno)};
  auto writer = std::make_unique<DeviceWriter>(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return {nullptr,
            {OpenError::Failed, path + ": is not a plain file; an image is written to a file"}};
  }
  if ((empty && ::ftruncate(fd, 0) != 0) || ::fcntl(fd, F_SETFL, 0) != 0)
    return {nullptr, StatusFromErrno(path, errno)};
  return {std::move(writer), {}};
}

}  // namespace

// The file is opened before it is emptied, and emptied only once it is known to be a plain file:
// O_TRUNC would be ignored by a disk, and the writes would then go onto the disk.
OpenedWriter CreateImageFile(const std::string& path) {
  return OpenPlainImageFile(path, O_CREAT, true);
}

OpenedWriter OpenImageFileToResume(const std::string& path) {
  return OpenPlainImageFile(path, 0, false);
}

namespace {

// Writes the text to a new file at temporary and makes it durable; why not, when it cannot. What
// a failed write left is removed.
std::optional<std::string> WriteDurably(const std::string& temporary, const TextInPieces& text) {
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return temporary + ": " + std::strerror(errno);
  const FileDescriptor file(fd);
  const auto refuse = [&] {
    const std::string reason = temporary + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return reason;
  };
  const auto write = [fd](std::string_view piece) {
    for (std::size_t done = 0; done < piece.size();) {
      const ssize_t written = ::write(fd, piece.data() + done, piece.size() - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += static_cast<std::size_t>(written);
    }
    return true;
  };
  if (!text(write) || ::fsync(fd) != 0) return refuse();
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ReplaceFileAtomically(const std::string& path,
                                                 const TextInPieces& text) {
  const std::string temporary = path + ".tmp";
  if (auto refused = WriteDurably(temporary, text)) return refused;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = path + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return reason;
  }
  // The rename itself lasts only once the folder that holds both names is on the disk.
  const std::string folder = fs::path(path).parent_path().empty()
                                 ? std::string(".")
                                 : fs::path(path).parent_path().string();
  const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  return std::nullopt;
}

std::string LogReportPath() {
  if (const char* configured = std::getenv("KESTREL_NSS_LOG")) return configured;
  const char* home = std::getenv("HOME");
  return (home ? fs::path(home) : fs::current_path()) / "KestrelNSSLogReport.txt";
}

char DiskListSeparator() {
  return ':';
}

void FailWritesPastSizeLimit() {
  std::signal(SIGXFSZ, SIG_IGN);
}

char PathSeparator() {
  return '/';
}

bool LocalNamesFollowWindowsRules() {
  return false;
}

}  // namespace kestrel::platform
