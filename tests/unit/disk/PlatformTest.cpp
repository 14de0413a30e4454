// SPDX-License-Identifier: Apache-2.0
// The POSIX platform layer on real files and, where the machine allows, a real loop device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/DiskReader.h"
#include "disk/DriveList.h"
#include "disk/platform/PermissionRefusal.h"
#include "disk/platform/Platform.h"
#include "support/Files.h"

namespace kestrel::disk {
namespace {

namespace fs = std::filesystem;

class ScopedDiskList {
 public:
  explicit ScopedDiskList(const std::string& disks) {
    ::setenv("KESTREL_NSS_DISKS", disks.c_str(), 1);
  }
  ~ScopedDiskList() { ::unsetenv("KESTREL_NSS_DISKS"); }
};

class PlatformFiles : public ::testing::Test {
 protected:
  // A sparse disk file in the test's folder (test::MakeSparseDisk); its path.
  std::string MakeDisk(const std::string& name, std::uint64_t bytes, const std::string& tail) {
    const fs::path path = folder / name;
    test::MakeSparseDisk(path, bytes, tail);
    return path.string();
  }

  test::ScratchFolder folder{"platform"};
};

TEST_F(PlatformFiles, DiskListHasGapsAndRealSizes) {
  const std::string d0 = MakeDisk("d0.img", 1 << 20, "zero");
  const std::string d3 = MakeDisk("d3.img", (5ull << 30) + 512, "three");
  const ScopedDiskList disks(d0 + ":" + d0 + "::" + d3);
  EXPECT_EQ(platform::DiskDevicePath(2), "");
  EXPECT_EQ(platform::DiskDevicePath(3), d3);
  EXPECT_EQ(platform::DiskSectorCount(3), (5ull << 21) + 1) << "the last partial cylinder counts";
  const DriveList list = ListDisks();
  ASSERT_EQ(list.drives.size(), 3u);
  EXPECT_EQ(list.drives[2].number, 3);
  EXPECT_EQ(list.drives[2].DriveNumber(), 0x83);
  EXPECT_EQ(list.fixedCount, 3);
  EXPECT_TRUE(list.HasFixedDisk());
}

TEST_F(PlatformFiles, ReadsBeyondFourGibibytesAreExact) {
  const std::string path = MakeDisk("big.img", (4ull << 30) + 1024, "FAR");
  const ScopedDiskList disks(path);
  const OpenedSource opened = OpenSource(R"(\\.\PhysicalDrive0)");
  ASSERT_TRUE(opened.status.ok());
  SectorBuffer sector{};
  ASSERT_TRUE(opened.reader.ReadSector(8388609, sector));
  EXPECT_EQ(std::string(sector.begin(), sector.begin() + 3), "FAR");
  EXPECT_FALSE(opened.reader.ReadSector(8388610, sector)) << "past the end";
  std::array<std::uint8_t, 1024> tail{};
  EXPECT_EQ(opened.reader.ReadSome((4ll << 30) + 512, tail), 512u) << "short at the end";
}

TEST_F(PlatformFiles, MissingAndForbiddenSourcesSayWhy) {
  EXPECT_EQ(OpenSource((folder / "absent.img").string()).status.error, OpenError::NotFound);
  EXPECT_EQ(OpenSource(R"(\\.\PhysicalDrive7)").status.error, OpenError::NotFound);
  const std::string path = MakeDisk("locked.img", 4096, "");
  fs::permissions(path, fs::perms::none);
  if (::geteuid() == 0) GTEST_SKIP() << "SKIPPED: root opens files without rights";
  EXPECT_EQ(OpenSource(path).status.error, OpenError::PermissionDenied);
}

TEST(PermissionRefusal, RootHearsOfTheDevicePolicyOthersOfWhoMayOpen) {
  const std::string whoMayOpen = " (run as root, or join the group \"disk\", which may read it)";
  EXPECT_EQ(platform::PermissionRefusal(false, EACCES, whoMayOpen),
            "permission denied" + whoMayOpen);
  EXPECT_EQ(platform::PermissionRefusal(false, EPERM, " (run as root)"),
            "permission denied (run as root)");
  for (const int error : {EACCES, EPERM}) {
    EXPECT_EQ(platform::PermissionRefusal(true, error, whoMayOpen),
              std::string("refused even to root by the system's device policy (") +
                  std::strerror(error) + ")");
  }
}

TEST(LogReportPath, EnvironmentOverridesTheHomeFolder) {
  ::setenv("KESTREL_NSS_LOG", "/tmp/x.log", 1);
  EXPECT_EQ(platform::LogReportPath(), "/tmp/x.log");
  ::unsetenv("KESTREL_NSS_LOG");
  ::setenv("HOME", "/home/admin", 1);
  EXPECT_EQ(platform::LogReportPath(), "/home/admin/KestrelNSSLogReport.txt");
}

std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

TEST_F(PlatformFiles, LoopDeviceReadsAsAPhysicalDisk) {
  const std::string image = MakeDisk("loop.img", 8 << 20, "LOOPTAIL");
  const std::string device = RunCommand("losetup --find --show " + image + " 2>/dev/null");
  if (device.rfind("/dev/loop", 0) != 0) GTEST_SKIP() << "SKIPPED: no loop device on this machine";
  {
    const ScopedDiskList disks(device);
    const OpenedSource opened = OpenSource(R"(\\.\PhysicalDrive0)");
    ASSERT_TRUE(opened.status.ok()) << opened.status.message;
    EXPECT_EQ(opened.reader.Size(), 8 << 20) << "block device size";
    SectorBuffer sector{};
    ASSERT_TRUE(opened.reader.ReadSector((8 << 11) - 1, sector));
    EXPECT_EQ(std::string(sector.begin(), sector.begin() + 8), "LOOPTAIL");
    EXPECT_EQ(platform::DiskSectorCount(0), 8u << 11);
    EXPECT_EQ(platform::FindDisk(0)->kind, platform::MediaKind::Fixed);
  }
  RunCommand("losetup -d " + device);
}

}  // namespace
}  // namespace kestrel::disk
