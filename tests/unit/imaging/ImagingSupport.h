// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "support/Files.h"

// Sources, files and devices for the imaging and cloning tests.
namespace kestrel::test {

namespace fs = std::filesystem;

// Sectors that each hold their own number and a pattern, so that a sector in the wrong place or
// a stale buffer shows.
inline std::vector<std::uint8_t> NumberedSectors(std::uint64_t sectors) {
  std::vector<std::uint8_t> bytes(sectors * 512);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint64_t sector = i / 512;
    bytes[i] = i % 512 < 8 ? static_cast<std::uint8_t>(sector >> (8 * (i % 512)))
                           : static_cast<std::uint8_t>(sector * 31 + i % 512 + 1);
  }
  return bytes;
}

inline std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Every sector of the source that is not bad still reads as it did before the copy.
inline void ExpectSourceUnchanged(const disk::DiskReader& reader,
                                  const std::vector<std::uint8_t>& original,
                                  const std::set<std::uint64_t>& badSectors = {}) {
  disk::SectorBuffer sector{};
  for (std::uint64_t n = 0; n < original.size() / 512; ++n) {
    if (badSectors.contains(n)) continue;
    ASSERT_TRUE(reader.ReadSector(n, sector)) << "sector " << n;
    ASSERT_TRUE(std::equal(sector.begin(), sector.end(), original.begin() + n * 512))
        << "sector " << n << " of the source changed";
  }
}

// A destination that refuses every write from one sector on, as a full disk does, or whose flush
// fails, as that of a disk pulled in the middle of a run does.
class FailingDisk : public platform::SectorWriter {
 public:
  enum class Storing { Works, Fails };
  explicit FailingDisk(std::uint64_t fullAt, Storing storing = Storing::Works)
      : fullAt_(fullAt), storing_(storing) {}

  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t>) override {
    if (sector + count <= fullAt_) return true;
    errno = ENOSPC;
    return false;
  }
  bool Flush() override {
    if (storing_ == Storing::Works) return true;
    errno = EIO;
    return false;
  }

 private:
  std::uint64_t fullAt_;
  Storing storing_;
};

class ScopedDiskList {
 public:
  explicit ScopedDiskList(const std::string& disks) {
    ::setenv("KESTREL_NSS_DISKS", disks.c_str(), 1);
  }
  ~ScopedDiskList() { ::unsetenv("KESTREL_NSS_DISKS"); }
  ScopedDiskList(const ScopedDiskList&) = delete;
  ScopedDiskList& operator=(const ScopedDiskList&) = delete;
};

inline std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

// A loop device over a file, detached again at the end; device() is empty where the machine
// gives none.
class LoopDevice {
 public:
  explicit LoopDevice(const fs::path& file) {
    const std::string device =
        RunCommand("losetup --find --show " + file.string() + " 2>/dev/null");
    if (device.rfind("/dev/loop", 0) == 0) device_ = device;
  }
  ~LoopDevice() {
    if (!device_.empty()) RunCommand("losetup -d " + device_ + " 2>/dev/null");
  }
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& device() const { return device_; }

 private:
  std::string device_;
};

// An ext2 file system in an image file, mounted through a loop device at a folder beside it while
// the object lives; skipReason() says why not where the machine cannot.
class MountedExt2 {
 public:
  MountedExt2(const fs::path& imageFile, const fs::path& mountPoint, std::size_t bytes)
      : mountPoint_(mountPoint) {
    WriteWholeFile(imageFile, std::vector<std::uint8_t>(bytes));
    if (RunCommand("mke2fs -q -F " + imageFile.string() + " >/dev/null 2>&1; echo $?") != "0") {
      skipReason_ = "mke2fs is not installed";
      return;
    }
    loop_.emplace(imageFile);
    if (loop_->device().empty()) {
      skipReason_ = "no loop device on this machine";
      return;
    }
    fs::create_directories(mountPoint);
    if (::mount(loop_->device().c_str(), mountPoint.c_str(), "ext2", 0, nullptr) != 0) {
      skipReason_ = "this machine does not let the test mount a file system";
      return;
    }
    mounted_ = true;
  }
  ~MountedExt2() { Unmount(); }
  MountedExt2(const MountedExt2&) = delete;
  MountedExt2& operator=(const MountedExt2&) = delete;

  const std::string& skipReason() const { return skipReason_; }
  const std::string& device() const { return loop_->device(); }
  void Unmount() {
    if (mounted_) ::umount(mountPoint_.c_str());
    mounted_ = false;
  }

 private:
  fs::path mountPoint_;
  std::optional<LoopDevice> loop_;
  std::string skipReason_;
  bool mounted_ = false;
};

}  // namespace kestrel::test
