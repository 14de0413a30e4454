// SPDX-License-Identifier: Apache-2.0
// Windows: which disks a path lies on, from the disk extents of its volume, and the volume locks
// that a disk's writer holds.
#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "disk/platform/StorageUse.h"
#include "disk/platform/WideText.h"
#include "disk/platform/WindowsDevices.h"

namespace kestrel::platform {
namespace {

// Volume names as FindFirstVolumeW gives them: "\\?\Volume{GUID}\".
std::vector<std::wstring> AllVolumes() {
  std::vector<std::wstring> volumes;
  std::array<wchar_t, MAX_PATH> name{};
  const HANDLE search = FindFirstVolumeW(name.data(), static_cast<DWORD>(name.size()));
  if (search == INVALID_HANDLE_VALUE) return volumes;
  do {
    volumes.emplace_back(name.data());
  } while (FindNextVolumeW(search, name.data(), static_cast<DWORD>(name.size())));
  FindVolumeClose(search);
  return volumes;
}

// The volume itself is opened without the closing "\" of its name (with it, its root folder).
Handle OpenVolume(std::wstring volume, DWORD access) {
  if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
  return Handle(CreateFileW(volume.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
}

// The numbers of the disks that hold a part of the volume (several for a spanned volume).
std::vector<DWORD> DisksOfVolume(const std::wstring& volume) {
  const Handle handle = OpenVolume(volume, 0);
  constexpr std::size_t kMostExtents = 32;
  std::array<std::uint8_t, sizeof(VOLUME_DISK_EXTENTS) + kMostExtents * sizeof(DISK_EXTENT)>
      buffer{};
  DWORD returned = 0;
  std::vector<DWORD> disks;
  if (!handle.ok() ||
      !DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                       buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr))
    return disks;
  const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
  for (DWORD i = 0; i < extents->NumberOfDiskExtents && i < kMostExtents; ++i)
    disks.push_back(extents->Extents[i].DiskNumber);
  return disks;
}

bool VolumeLiesOn(const std::wstring& volume, DWORD disk) {
  const std::vector<DWORD> disks = DisksOfVolume(volume);
  return std::find(disks.begin(), disks.end(), disk) != disks.end();
}

// The volume that holds the path, or would hold it: that of the nearest folder above that exists.
std::optional<std::wstring> VolumeHolding(const std::wstring& path) {
  std::array<wchar_t, MAX_PATH> full{}, mountPoint{}, volume{};
  if (!GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr) ||
      !GetVolumePathNameW(full.data(), mountPoint.data(), static_cast<DWORD>(mountPoint.size())) ||
      !GetVolumeNameForVolumeMountPointW(mountPoint.data(), volume.data(),
                                         static_cast<DWORD>(volume.size())))
    return std::nullopt;
  return std::wstring(volume.data());
}

std::optional<DWORD> SystemDisk() {
  std::array<wchar_t, MAX_PATH> windows{};
  if (!GetWindowsDirectoryW(windows.data(), static_cast<DWORD>(windows.size())))
    return std::nullopt;
  const auto volume = VolumeHolding(windows.data());
  const std::vector<DWORD> disks = volume ? DisksOfVolume(*volume) : std::vector<DWORD>{};
  if (disks.empty()) return std::nullopt;
  return disks.front();
}

// The volume serial number and file index of a file: equal for two paths to one file.
std::optional<std::pair<DWORD, std::uint64_t>> FileIdentity(const std::string& path) {
  const Handle file(CreateFileW(ToWide(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file.ok() || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  return std::pair{information.dwVolumeSerialNumber,
                   (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace

std::optional<std::string> WhyDiskIsInUse(const std::string& path) {
  const auto disk = DiskNumberOf(path);
  if (disk && disk == SystemDisk())
    return path + ": holds the running system (the drive of the Windows folder)";
  return std::nullopt;
}

bool SameStorage(const std::string& first, const std::string& second) {
  const auto firstDisk = DiskNumberOf(first), secondDisk = DiskNumberOf(second);
  if (firstDisk || secondDisk) return firstDisk == secondDisk;
  const auto firstFile = FileIdentity(first);
  return firstFile && firstFile == FileIdentity(second);
}

bool FileSystemLiesOn(const std::string& path, const std::string& storage) {
  const auto disk = DiskNumberOf(storage);
  const auto volume = disk ? VolumeHolding(ToWide(path)) : std::nullopt;
  return volume && VolumeLiesOn(*volume, *disk);
}

app::Result<std::vector<Handle>> LockVolumesOf(const std::string& path) {
  const auto disk = DiskNumberOf(path);
  std::vector<Handle> locked;
  if (!disk) return locked;
  DWORD returned = 0;
  for (const std::wstring& volume : AllVolumes()) {
    if (!VolumeLiesOn(volume, *disk)) continue;
    Handle handle = OpenVolume(volume, GENERIC_READ | GENERIC_WRITE);
    if (!handle.ok() || !DeviceIoControl(handle.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0,
                                         &returned, nullptr))
      return app::Failure{"its volume " + FromWide(volume) +
                          " is in use and cannot be locked; close the programs and windows "
                          "that use it"};
    DeviceIoControl(handle.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                    nullptr);
    locked.push_back(std::move(handle));
  }
  return locked;
}

}  // namespace kestrel::platform
