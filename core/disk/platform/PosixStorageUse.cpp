// SPDX-License-Identifier: Apache-2.0
// Linux: which disks a path lies on, read from sysfs (partitions, device-mapper and RAID slaves,
// loop devices and their backing files), and who uses them, from /proc/self/mountinfo and
// /proc/swaps.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "disk/platform/StorageUse.h"

namespace kestrel::platform {
namespace {

namespace fs = std::filesystem;

// Device-mapper and RAID devices stack on each other; a loop in sysfs must not hang the walk.
constexpr int kMaxStackDepth = 8;

using DeviceSet = std::set<dev_t>;

// One thing a path can reach: a whole disk, or a file (device and inode of the file).
struct StorageKey {
  bool file = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  auto operator<=>(const StorageKey&) const = default;
};

std::string FirstLine(const fs::path& file) {
  std::ifstream stream(file);
  std::string line;
  std::getline(stream, line);
  return line;
}

std::string ReadText(const fs::path& file) {
  std::ifstream stream(file);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

// A sysfs "dev" file holds "major:minor".
std::optional<dev_t> DeviceNumberIn(const fs::path& devFile) {
  unsigned major = 0, minor = 0;
  char colon = 0;
  std::istringstream line(FirstLine(devFile));
  if (!(line >> major >> colon >> minor) || colon != ':') return std::nullopt;
  return makedev(major, minor);
}

fs::path SysfsFolderOf(dev_t device) {
  std::error_code error;
  const fs::path link = fs::path("/sys/dev/block") /
                        (std::to_string(major(device)) + ":" + std::to_string(minor(device)));
  fs::path folder = fs::canonical(link, error);
  return error ? fs::path{} : folder;
}

// The whole disks a block device lies on: the disks under a device-mapper or RAID device, the
// disk of a partition, else the device itself.
void AddWholeDisks(dev_t device, DeviceSet& disks, int depth = 0) {
  const fs::path folder = SysfsFolderOf(device);
  std::error_code error;
  bool stacked = false;
  if (!folder.empty() && depth < kMaxStackDepth) {
    for (const auto& slave : fs::directory_iterator(folder / "slaves", error)) {
      if (const auto under = DeviceNumberIn(slave.path() / "dev")) {
        AddWholeDisks(*under, disks, depth + 1);
        stacked = true;
      }
    }
  }
  if (stacked) return;
  if (!folder.empty() && fs::exists(folder / "partition", error)) {
    if (const auto disk = DeviceNumberIn(folder.parent_path() / "dev")) {
      disks.insert(*disk);
      return;
    }
  }
  disks.insert(device);
}

DeviceSet WholeDisksOf(dev_t device) {
  DeviceSet disks;
  AddWholeDisks(device, disks);
  return disks;
}

struct LoopDevice {
  dev_t device = 0;
  fs::path backingFile;
};

std::vector<LoopDevice> LoopDevices() {
  std::vector<LoopDevice> loops;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
    if (entry.path().filename().string().rfind("loop", 0) != 0) continue;
    const std::string backing = FirstLine(entry.path() / "loop" / "backing_file");
    const auto device = DeviceNumberIn(entry.path() / "dev");
    if (!backing.empty() && device) loops.push_back({*device, backing});
  }
  return loops;
}

std::optional<struct stat> StatOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return info;
}

bool IsFile(const fs::path& path, const struct stat& file) {
  const auto info = StatOf(path);
  return info && S_ISREG(info->st_mode) && info->st_dev == file.st_dev &&
         info->st_ino == file.st_ino;
}

// Everything a path reaches: a block device's whole disks and, for a loop device, the file
// behind it; a file and the disks of the loop devices it backs.
std::set<StorageKey> StorageKeysOf(const std::string& path) {
  std::set<StorageKey> keys;
  const auto info = StatOf(path);
  if (!info) return keys;
  if (S_ISREG(info->st_mode)) {
    keys.insert({true, info->st_dev, info->st_ino});
    for (const LoopDevice& loop : LoopDevices()) {
      if (!IsFile(loop.backingFile, *info)) continue;
      for (const dev_t disk : WholeDisksOf(loop.device)) keys.insert({false, disk, 0});
    }
  } else if (S_ISBLK(info->st_mode)) {
    for (const dev_t disk : WholeDisksOf(info->st_rdev)) keys.insert({false, disk, 0});
    for (const LoopDevice& loop : LoopDevices()) {
      const auto file = loop.device == info->st_rdev ? StatOf(loop.backingFile) : std::nullopt;
      if (file) keys.insert({true, file->st_dev, file->st_ino});
    }
  }
  return keys;
}

DeviceSet DisksOf(const std::set<StorageKey>& keys) {
  DeviceSet disks;
  for (const StorageKey& key : keys) {
    if (!key.file) disks.insert(static_cast<dev_t>(key.device));
  }
  return disks;
}

bool Overlap(const DeviceSet& first, const DeviceSet& second) {
  return std::any_of(first.begin(), first.end(), [&](dev_t disk) { return second.contains(disk); });
}

// The disks under a device path such as /dev/sda1; none for names such as "tmpfs".
DeviceSet DisksOfDevicePath(const std::string& path) {
  const auto info = path.starts_with('/') ? StatOf(path) : std::nullopt;
  return info && S_ISBLK(info->st_mode) ? WholeDisksOf(info->st_rdev) : DeviceSet{};
}

std::optional<std::string> MountOnDisks(const DeviceSet& disks) {
  std::vector<MountEntry> mounts = ParseMountInfo(ReadText("/proc/self/mountinfo"));
  // The running system is named as such, before any other mount on the same disk.
  std::stable_partition(mounts.begin(), mounts.end(),
                        [](const MountEntry& mount) { return mount.mountPoint == "/"; });
  for (const MountEntry& mount : mounts) {
    DeviceSet mounted = WholeDisksOf(makedev(mount.major, mount.minor));
    mounted.merge(DisksOfDevicePath(mount.source));
    if (!Overlap(mounted, disks)) continue;
    if (mount.mountPoint == "/")
      return "it holds the running system (/ is mounted from " + mount.source + ")";
    return "it holds a mounted file system (" + mount.source + " on " + mount.mountPoint + ")";
  }
  return std::nullopt;
}

std::optional<std::string> SwapOnDisks(const DeviceSet& disks) {
  std::istringstream swaps(ReadText("/proc/swaps"));
  std::string line;
  std::getline(swaps, line);  // the title line
  while (std::getline(swaps, line)) {
    const std::string device = line.substr(0, line.find_first_of(" \t"));
    if (Overlap(DisksOfDevicePath(device), disks))
      return "it holds active swap space (" + device + ")";
  }
  return std::nullopt;
}

// A device built on the disk or on one of its partitions (device-mapper, RAID) holds it even
// when nothing is mounted.
std::optional<std::string> HolderOfDisks(const DeviceSet& disks) {
  std::error_code error;
  for (const dev_t disk : disks) {
    const fs::path folder = SysfsFolderOf(disk);
    if (folder.empty()) continue;
    std::vector<fs::path> parts{folder};
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (fs::exists(entry.path() / "partition", error)) parts.push_back(entry.path());
    }
    for (const fs::path& part : parts) {
      for (const auto& holder : fs::directory_iterator(part / "holders", error)) {
        return "it is in use by /dev/" + holder.path().filename().string() +
               " (a device-mapper or RAID device built on it)";
      }
    }
  }
  return std::nullopt;
}

// The octal escapes mountinfo writes for a blank, a tab, a line break and a backslash.
std::string DecodeMountField(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const std::string_view rest = field.substr(i);
    const bool escape = rest.size() >= 4 && rest[0] == '\\' &&
                        std::all_of(rest.begin() + 1, rest.begin() + 4,
                                    [](char c) { return c >= '0' && c <= '7'; });
    if (!escape) {
      text += field[i];
      continue;
    }
    text += static_cast<char>(((rest[1] - '0') << 6) | ((rest[2] - '0') << 3) | (rest[3] - '0'));
    i += 3;
  }
  return text;
}

// The mount that the kernel lists for a file system's device, if any.
std::optional<MountEntry> MountOf(dev_t device) {
  for (const MountEntry& mount : ParseMountInfo(ReadText("/proc/self/mountinfo"))) {
    if (makedev(mount.major, mount.minor) == device) return mount;
  }
  return std::nullopt;
}

// The path itself, or the nearest folder above it that exists; a relative path starts in the
// current folder.
std::optional<struct stat> NearestExisting(fs::path path) {
  for (; !path.empty(); path = path.parent_path()) {
    if (auto info = StatOf(path)) return info;
    if (path == path.parent_path()) break;
  }
  return StatOf(".");
}

}  // namespace

// A line: id parent major:minor root mount-point options [optional fields...] - type source ...
std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    if (words.size() < 9) continue;
    // The optional fields end at the first "-" after the options (field 5).
    const auto separator = std::find(words.begin() + 6, words.end(), "-");
    if (words.end() - separator < 3) continue;
    MountEntry mount;
    char colon = 0;
    std::istringstream device(words[2]);
    if (!(device >> mount.major >> colon >> mount.minor) || colon != ':') continue;
    mount.mountPoint = DecodeMountField(words[4]);
    mount.source = DecodeMountField(*(separator + 2));
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::optional<std::string> WhyDiskIsInUse(const std::string& path) {
  const DeviceSet disks = DisksOf(StorageKeysOf(path));
  if (disks.empty()) return std::nullopt;
  if (auto mount = MountOnDisks(disks)) return mount;
  if (auto swap = SwapOnDisks(disks)) return swap;
  return HolderOfDisks(disks);
}

// Some file systems (btrfs) report a device number of their own; the device mountinfo names for
// them leads to their disks.
bool FileSystemLiesOn(const std::string& path, const std::string& storage) {
  const auto info = NearestExisting(path);
  if (!info) return false;
  DeviceSet holder = WholeDisksOf(info->st_dev);
  if (const auto mount = MountOf(info->st_dev)) holder.merge(DisksOfDevicePath(mount->source));
  return Overlap(holder, DisksOf(StorageKeysOf(storage)));
}

bool SameStorage(const std::string& first, const std::string& second) {
  const std::set<StorageKey> firstKeys = StorageKeysOf(first);
  const std::set<StorageKey> secondKeys = StorageKeysOf(second);
  return std::any_of(firstKeys.begin(), firstKeys.end(),
                     [&](const StorageKey& key) { return secondKeys.contains(key); });
}

}  // namespace kestrel::platform
