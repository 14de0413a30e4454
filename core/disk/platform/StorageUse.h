// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Who else uses a disk, and whether two paths reach the same storage: what cloning asks before it
// writes a single sector, and imaging and recovery before they write a file.
namespace kestrel::platform {

// One mounted file system as /proc/self/mountinfo lists it.
struct MountEntry {
  unsigned major = 0;  // the device the kernel names for the mount
  unsigned minor = 0;
  std::string mountPoint;
  std::string source;  // the mounted device's path, or a name such as "tmpfs"
};

// The mounts of the text of /proc/self/mountinfo; the octal escapes of blanks and other
// separators in paths (\040) are decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Why the disk or image file at path must not be overwritten: it holds the running system, a
// mounted file system, active swap space, or a device built on it (device-mapper, RAID). A file
// counts through the loop devices it backs. Nothing when none of these holds.
std::optional<std::string> WhyDiskIsInUse(const std::string& path);

// Whether two paths reach the same storage: the same file or device, a partition and its disk, a
// device-mapper device and the disks under it, or a loop device and the file behind it.
bool SameStorage(const std::string& first, const std::string& second);

// Whether the file system that holds path (or would hold it: that of the nearest folder above
// that exists) lies on the storage: on the disk, one of its partitions or a device built on it,
// or, for an image file, in a loop device over it.
bool FileSystemLiesOn(const std::string& path, const std::string& storage);

}  // namespace kestrel::platform
