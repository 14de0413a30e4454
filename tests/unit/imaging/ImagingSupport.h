#pragma once

#include <gtest/gtest.h>

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

}  // namespace kestrel::test
