// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Result.h"
#include "disk/DriveIdentity.h"

// What the Windows platform files share: handles that close themselves, the system's error
// texts, and the questions asked of disks and volumes.
namespace kestrel::platform {

// A handle of CreateFileW; INVALID_HANDLE_VALUE (and null) when there is none.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  // Closes now; false when the system says the last writes could not be kept.
  bool Close() {
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    return handle == INVALID_HANDLE_VALUE || handle == nullptr || CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The system's own text for an error code, in UTF-8, without the closing period and line end.
std::string SystemErrorText(DWORD error);

// Whether the path names a device rather than a file: "\\.\PhysicalDrive0", "\\.\C:", or a
// "\\?\" path that is not a drive-letter path.
bool IsDeviceNamespace(const std::string& path);

// Whether the open handle is a plain file: not a folder, a character device (NUL, COM1) or
// anything that answers as a disk or a partition.
bool IsPlainFile(HANDLE handle);

// The number n of the disk "\\.\PhysicalDrive%d" a path opens; nothing for anything else.
std::optional<DWORD> DiskNumberOf(const std::string& path);

// The drive's own description: ATA IDENTIFY DEVICE and SMART READ DATA through the SMART
// requests, else the storage description of IOCTL_STORAGE_QUERY_PROPERTY (model, serial).
std::optional<disk::DriveIdentity> IdentifyDevice(const std::string& path);

// Locks and dismounts every volume that lies on the disk at path, so that its sectors can be
// written; the handles keep the locks. Fails, saying which volume, when one is in use.
app::Result<std::vector<Handle>> LockVolumesOf(const std::string& path);

}  // namespace kestrel::platform
