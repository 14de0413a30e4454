// SPDX-License-Identifier: Apache-2.0
// The platform layer for Windows: disks are "\\.\PhysicalDrive%d" (or image files named by
// KESTREL_NSS_DISKS), opened with CreateFileW and read with ReadFile at OVERLAPPED offsets. Every
// path is UTF-8 inside the system and UTF-16 here.
#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "disk/platform/DiskList.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"
#include "disk/platform/WideText.h"
#include "disk/platform/WindowsDevices.h"

namespace kestrel::platform {
namespace {

using disk::OpenError;
using disk::OpenStatus;
constexpr std::int64_t kSector = disk::layout::kSectorSize;

OpenStatus StatusFromError(const std::string& path, DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return {OpenError::NotFound, path + ": no such disk or file"};
    case ERROR_ACCESS_DENIED:
      return {OpenError::PermissionDenied,
              path + ": permission denied (run the program as administrator)"};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return {OpenError::Failed, path + ": in use (another program holds it)"};
    default:
      return {OpenError::Failed, path + ": " + SystemErrorText(error)};
  }
}

std::optional<std::wstring> EnvironmentVariable(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value == nullptr) return std::nullopt;
  return std::wstring(value);
}

// Files report their size; disks and partitions answer IOCTL_DISK_GET_LENGTH_INFO, 64-bit.
std::int64_t SizeOf(HANDLE handle) {
  GET_LENGTH_INFORMATION length{};
  DWORD returned = 0;
  if (DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                      &returned, nullptr))
    return length.Length.QuadPart;
  LARGE_INTEGER size{};
  return GetFileSizeEx(handle, &size) ? size.QuadPart : 0;
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return at;
}

// The largest piece one ReadFile or WriteFile moves, a whole number of sectors.
constexpr std::size_t kLargestPiece = 1u << 30;

// Reads from a file or a device at the offset until the buffer is full or the end is reached;
// nothing when a read fails. Each call carries its own offset, so threads may read at once.
std::optional<std::size_t> ReadAtOffset(HANDLE handle, std::int64_t offset,
                                        std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    OVERLAPPED at = At(offset + static_cast<std::int64_t>(done));
    const auto piece = static_cast<DWORD>(std::min(buffer.size() - done, kLargestPiece));
    DWORD count = 0;
    if (!ReadFile(handle, buffer.data() + done, piece, &count, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return std::nullopt;
    }
    if (count == 0) break;
    done += count;
  }
  return done;
}

class FileSource : public disk::ByteSource {
 public:
  FileSource(Handle handle, bool device)
      : handle_(std::move(handle)), device_(device), size_(SizeOf(handle_.get())) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    if (offset < 0) return std::nullopt;
    if (device_ && (offset % kSector != 0 || buffer.size() % kSector != 0))
      return ReadUnaligned(offset, buffer);
    return ReadAtOffset(handle_.get(), offset, buffer);
  }

  std::int64_t Size() const override { return size_; }

 private:
  // A raw disk reads whole sectors only: the sectors around the range are read and the asked
  // bytes copied out.
  std::optional<std::size_t> ReadUnaligned(std::int64_t offset, std::span<std::uint8_t> buffer) {
    const std::int64_t first = offset / kSector * kSector;
    const std::int64_t end = offset + static_cast<std::int64_t>(buffer.size());
    std::vector<std::uint8_t> sectors(
        static_cast<std::size_t>((end - first + kSector - 1) / kSector * kSector));
    const auto count = ReadAtOffset(handle_.get(), first, sectors);
    if (!count) return std::nullopt;
    const auto skipped = static_cast<std::size_t>(offset - first);
    const std::size_t copied = *count > skipped ? std::min(*count - skipped, buffer.size()) : 0;
    std::copy_n(sectors.begin() + static_cast<std::ptrdiff_t>(skipped), copied, buffer.begin());
    return copied;
  }

  Handle handle_;
  bool device_;
  std::int64_t size_;
};

// Positioned sector writes to a disk or an image file. The volumes of a disk stay locked for as
// long as the writer lives, so that Windows lets the writes through and no file system caches
// what is overwritten.
class DeviceWriter : public SectorWriter {
 public:
  DeviceWriter(Handle handle, std::vector<Handle> lockedVolumes = {})
      : handle_(std::move(handle)), lockedVolumes_(std::move(lockedVolumes)) {}

  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t> buffer) override {
    const auto offset = disk::SectorOffset(sector);
    const std::size_t bytes = std::size_t{count} * disk::layout::kSectorSize;
    if (!offset || buffer.size() < bytes) return false;
    for (std::size_t done = 0; done < bytes;) {
      OVERLAPPED at = At(*offset + static_cast<std::int64_t>(done));
      const auto piece = static_cast<DWORD>(std::min(bytes - done, kLargestPiece));
      DWORD written = 0;
      if (!WriteFile(handle_.get(), buffer.data() + done, piece, &written, &at) || written == 0)
        return false;
      done += written;
    }
    return true;
  }

  bool Flush() override { return FlushFileBuffers(handle_.get()) != 0; }

 private:
  Handle handle_;
  std::vector<Handle> lockedVolumes_;
};

class LocalFile : public WritableFile {
 public:
  explicit LocalFile(Handle handle) : handle_(std::move(handle)) {}

  bool Write(std::span<const std::uint8_t> bytes) override {
    for (std::size_t done = 0; done < bytes.size();) {
      const auto piece = static_cast<DWORD>(std::min(bytes.size() - done, kLargestPiece));
      DWORD written = 0;
      if (!WriteFile(handle_.get(), bytes.data() + done, piece, &written, nullptr))
        return Fail(GetLastError());
      done += written;
    }
    return true;
  }

  bool Close() override {
    Handle closing = std::move(handle_);
    return closing.Close() || Fail(GetLastError());
  }

  const std::string& error() const override { return error_; }

 private:
  bool Fail(DWORD error) {
    error_ = SystemErrorText(error);
    return false;
  }

  Handle handle_;
  std::string error_;
};

std::string PhysicalDrivePath(int n) {
  return "\\\\.\\PhysicalDrive" + std::to_string(n);
}

// Opens for reading with every kind of sharing, so that a disk in use elsewhere still opens.
Handle OpenShared(const std::string& path, DWORD access) {
  return Handle(CreateFileW(ToWide(path).c_str(), access,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Media type 12 (FixedMedia) of the drive geometry is a fixed disk, 11 (RemovableMedia) a
// removable one; an image file counts as fixed.
MediaKind KindOf(const std::string& path) {
  const Handle device = OpenShared(path, 0);
  DISK_GEOMETRY geometry{};
  DWORD returned = 0;
  if (device.ok() &&
      DeviceIoControl(device.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                      sizeof geometry, &returned, nullptr) &&
      geometry.MediaType == RemovableMedia)
    return MediaKind::Removable;
  return MediaKind::Fixed;
}

}  // namespace

std::string DiskDevicePath(int n) {
  if (n < 0) return {};
  if (const auto configured = EnvironmentVariable(L"KESTREL_NSS_DISKS"))
    return DiskListEntry(FromWide(*configured), DiskListSeparator(), n);
  const std::string path = PhysicalDrivePath(n);
  const Handle device = OpenShared(path, 0);  // asks for no access: exists even for a user
  return device.ok() || GetLastError() == ERROR_ACCESS_DENIED ? path : std::string{};
}

disk::OpenedSource OpenReadOnly(const std::string& path) {
  Handle handle(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.ok()) return {{}, StatusFromError(path, GetLastError())};
  const bool device = IsDeviceNamespace(path);
  return {disk::DiskReader(std::make_shared<FileSource>(std::move(handle), device)), {}};
}

std::optional<DiskPresence> FindDisk(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty()) return std::nullopt;
  DiskPresence presence;
  presence.status = OpenReadOnly(path).status;
  if (presence.status.error == OpenError::NotFound) return std::nullopt;
  presence.kind = IsDeviceNamespace(path) ? KindOf(path) : MediaKind::Fixed;
  return presence;
}

std::optional<disk::DriveIdentity> IdentifyDrive(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty() || !IsDeviceNamespace(path)) return std::nullopt;
  return IdentifyDevice(path);
}

OpenedWriter OpenDiskForWriting(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty())
    return {nullptr, {OpenError::NotFound, "Disk" + std::to_string(n) + ": no such disk"}};
  std::vector<Handle> locked;
  if (IsDeviceNamespace(path)) {
    auto volumes = LockVolumesOf(path);
    if (!volumes.ok()) return {nullptr, {OpenError::Failed, path + ": " + volumes.error()}};
    locked = std::move(volumes.value());
  }
  Handle handle = OpenShared(path, GENERIC_READ | GENERIC_WRITE);
  if (!handle.ok()) return {nullptr, StatusFromError(path, GetLastError())};
  return {std::make_unique<DeviceWriter>(std::move(handle), std::move(locked)), {}};
}

// The file is opened as the reparse point itself, never what a link points to; an existing link
// is refused rather than replaced.
CreatedFile CreateOutputFile(const std::string& path, IfTaken ifTaken) {
  const std::wstring wide = ToWide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && ifTaken == IfTaken::Refuse)
    return {nullptr, {}, true};
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return {nullptr, "a symbolic link is in the way"};
  const DWORD disposition = ifTaken == IfTaken::Refuse ? CREATE_NEW : CREATE_ALWAYS;
  Handle handle(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.ok()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS) return {nullptr, {}, true};
    return {nullptr, SystemErrorText(error)};
  }
  return {std::make_unique<LocalFile>(std::move(handle)), {}};
}

std::unique_ptr<WritableFile> StandardOutput() {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &copy,
                  0, FALSE, DUPLICATE_SAME_ACCESS);
  return std::make_unique<LocalFile>(Handle(copy));
}

Renamed RenameFile(const std::string& from, const std::string& to, bool replace) {
  const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
  if (MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), flags)) return {true, false, {}};
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return {false, true, {}};
  return {false, false, SystemErrorText(error)};
}

// Flushing a volume takes an administrator, as reading disks does; the folder's volume is flushed
// whole, like a sync of the file system.
std::optional<std::string> SyncFileSystem(const std::string& path) {
  wchar_t mountPoint[MAX_PATH] = {};
  if (!GetVolumePathNameW(ToWide(path).c_str(), mountPoint, MAX_PATH))
    return path + ": " + SystemErrorText(GetLastError());
  std::wstring volume = mountPoint;
  if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
  Handle handle = OpenShared("\\\\.\\" + FromWide(volume), GENERIC_READ | GENERIC_WRITE);
  if (!handle.ok() || !FlushFileBuffers(handle.get()))
    return path + ": " + SystemErrorText(GetLastError());
  return std::nullopt;
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code code;
  for (const auto& entry : std::filesystem::directory_iterator(Utf8Path(folder), code)) {
    if (entry.is_regular_file(code)) names.push_back(FromWide(entry.path().filename().wstring()));
  }
  return names;
}

std::optional<std::string> RemoveFile(const std::string& path) {
  if (!DeleteFileW(ToWide(path).c_str())) return path + ": " + SystemErrorText(GetLastError());
  return std::nullopt;
}

bool CreateFolders(const std::string& path, std::string& error) {
  std::error_code code;
  const std::filesystem::path folder = Utf8Path(path);
  std::filesystem::create_directories(folder, code);
  if (!code && std::filesystem::is_directory(folder, code)) return true;
  error = code ? code.message() : "a file of that name is in the way";
  return false;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// FlushFileBuffers needs a handle open for writing; nothing is written through it.
bool SyncFile(const std::string& path) {
  const Handle file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.ok() && FlushFileBuffers(file.get()) != 0;
}

std::optional<std::uint64_t> FreeBytes(const std::string& path) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExW(ToWide(path).c_str(), &available, &total, &free)) return std::nullopt;
  return free.QuadPart;
}

namespace {

// Opens the image, refusing anything but a plain file: a path into the device namespace, a
// reserved device name (NUL, COM1), a folder, or anything that answers as a disk. The file is
// emptied only once it is known to be plain.
OpenedWriter OpenPlainImageFile(const std::string& path, DWORD disposition, bool empty) {
  const auto refused = [&] {
    return OpenedWriter{
        nullptr,
        {OpenError::Failed, path + ": is not a plain file; an image is written to a file"}};
  };
  if (IsDeviceNamespace(path)) return refused();
  Handle handle(CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.ok()) return {nullptr, StatusFromError(path, GetLastError())};
  if (!IsPlainFile(handle.get())) return refused();
  FILE_END_OF_FILE_INFO start{};
  if (empty && !SetFileInformationByHandle(handle.get(), FileEndOfFileInfo, &start, sizeof start))
    return {nullptr, StatusFromError(path, GetLastError())};
  return {std::make_unique<DeviceWriter>(std::move(handle)), {}};
}

// Writes the text to a new file at temporary and makes it durable; why not, when it cannot. What
// a failed write left is removed.
std::optional<std::string> WriteDurably(const std::wstring& temporary, const TextInPieces& text) {
  Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return FromWide(temporary) + ": " + SystemErrorText(GetLastError());
  const auto refuse = [&] {
    const std::string reason = FromWide(temporary) + ": " + SystemErrorText(GetLastError());
    file.Close();
    DeleteFileW(temporary.c_str());
    return reason;
  };
  const auto write = [&file](std::string_view piece) {
    for (std::size_t done = 0; done < piece.size();) {
      const auto length = static_cast<DWORD>(std::min(piece.size() - done, kLargestPiece));
      DWORD written = 0;
      if (!WriteFile(file.get(), piece.data() + done, length, &written, nullptr) || written == 0)
        return false;
      done += written;
    }
    return true;
  };
  if (!text(write) || !FlushFileBuffers(file.get())) return refuse();
  return std::nullopt;
}

}  // namespace

OpenedWriter CreateImageFile(const std::string& path) {
  return OpenPlainImageFile(path, OPEN_ALWAYS, true);
}

OpenedWriter OpenImageFileToResume(const std::string& path) {
  return OpenPlainImageFile(path, OPEN_EXISTING, false);
}

// The rename goes through to the disk before it returns (MOVEFILE_WRITE_THROUGH).
std::optional<std::string> ReplaceFileAtomically(const std::string& path,
                                                 const TextInPieces& text) {
  const std::wstring temporary = ToWide(path + ".tmp");
  if (auto refused = WriteDurably(temporary, text)) return refused;
  if (!MoveFileExW(temporary.c_str(), ToWide(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::string reason = path + ": " + SystemErrorText(GetLastError());
    DeleteFileW(temporary.c_str());
    return reason;
  }
  return std::nullopt;
}

// KESTREL_NSS_LOG, else KestrelNSSLogReport.txt at the top of the drive that holds the Windows
// folder (C:\ on most machines).
std::string LogReportPath() {
  if (const auto configured = EnvironmentVariable(L"KESTREL_NSS_LOG")) return FromWide(*configured);
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring drive = length >= 2 && windows[1] == L':' ? std::wstring(windows, 2) : L"C:";
  return FromWide(drive) + "\\KestrelNSSLogReport.txt";
}

char DiskListSeparator() {
  return ';';
}

void FailWritesPastSizeLimit() {}

char PathSeparator() {
  return '\\';
}

bool LocalNamesFollowWindowsRules() {
  return true;
}

}  // namespace kestrel::platform
