// SPDX-License-Identifier: Apache-2.0
// Where an image may be written: never over the source, nor on a file system that lies on the
// source disk, where the image would overwrite the deleted data it is meant to save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include "disk/platform/StorageUse.h"

#include "imaging/ImageDestination.h"
#include "imaging/ImagingRange.h"
#include "imaging/ImagingSupport.h"

namespace kestrel::imaging {
namespace {

using namespace test;

class ImageDestination : public ::testing::Test {
 protected:
  std::string RefusalFor(const fs::path& image, const std::string& source) const {
    const auto refusal = ImageDestinationRefusal(image.string(), source);
    return refusal ? refusal->message : "";
  }

  ScratchFolder folder{"imaging-destination"};
  fs::path source = folder / "source.img";
  std::vector<std::uint8_t> sourceBytes = NumberedSectors(64);

  void SetUp() override { WriteWholeFile(source, sourceBytes); }
  void TearDown() override { EXPECT_TRUE(ReadWholeFile(source) == sourceBytes); }
};

TEST_F(ImageDestination, TheSourceItselfIsRefusedAndItsFolderIsNot) {
  EXPECT_NE(RefusalFor(source, source.string()).find("is the source"), std::string::npos);
  fs::create_hard_link(source, folder / "link.img");
  EXPECT_NE(RefusalFor(folder / "link.img", source.string()).find("is the source"),
            std::string::npos);
  EXPECT_EQ(RefusalFor(folder / "image.IMG", source.string()), "")
      << "an image file as the source is no disk: its folder may hold the copy";
  EXPECT_EQ(RefusalFor(folder / "not" / "yet" / "image.IMG", source.string()), "");
}

// A range a little larger than the free space fits once an image of it is already there (a
// rescue resumed or an image replaced), and not before.
TEST_F(ImageDestination, AnImageAlreadyThereCountsAsRoom) {
  const fs::path image = folder / "image.IMG";
  const std::uint64_t free = fs::space(folder.path()).free;
  constexpr std::uint64_t kMargin = std::uint64_t{1} << 30;
  const SectorRange range{0, (free + kMargin) / 512};
  ASSERT_TRUE(CheckRoomForImage(image.string(), range));
  { std::ofstream(image).flush(); }
  fs::resize_file(image, RangeBytes(range));  // sparse: it takes no room itself
  EXPECT_FALSE(CheckRoomForImage(image.string(), range));
}

// The scratch folder's own disk stands for the source disk: only asked, never written.
TEST_F(ImageDestination, AFileSystemOnTheSourceDiskIsRefused) {
  const auto mounts = platform::ParseMountInfo(ReadFileText("/proc/self/mountinfo"));
  struct stat info {};
  ASSERT_EQ(::stat(folder.path().c_str(), &info), 0);
  std::string device;
  for (const auto& mount : mounts) {
    if (makedev(mount.major, mount.minor) == info.st_dev && mount.source.starts_with("/dev/"))
      device = mount.source;
  }
  if (device.empty() || !fs::exists(device)) {
    GTEST_SKIP() << "SKIPPED: the temporary folder is not on a block device here";
  }
  const std::string refusal = RefusalFor(folder / "image.IMG", device);
  EXPECT_NE(refusal.find("lies on a file system of the source disk (" + device + ")"),
            std::string::npos)
      << refusal;
  const ScopedDiskList disks(device);
  EXPECT_NE(RefusalFor(folder / "new" / "image.IMG", "\\\\.\\PhysicalDrive0")
                .find("lies on a file system of the source disk (\\\\.\\PhysicalDrive0)"),
            std::string::npos)
      << "the logical name of a disk, and a folder still to be made";
}

TEST_F(ImageDestination, AFileSystemInALoopDeviceOverTheSourceImageIsRefused) {
  const fs::path fileSystem = folder / "ext2.img";
  MountedExt2 mounted(fileSystem, folder / "mnt", 8 << 20);
  if (!mounted.skipReason().empty()) GTEST_SKIP() << "SKIPPED: " << mounted.skipReason();
  const std::string onImage = RefusalFor(folder / "mnt" / "image.IMG", fileSystem.string());
  const std::string onDevice = RefusalFor(folder / "mnt" / "image.IMG", mounted.device());
  const std::string elsewhere = RefusalFor(folder / "image.IMG", fileSystem.string());
  mounted.Unmount();
  EXPECT_NE(onImage.find("lies on a file system of the source disk"), std::string::npos);
  EXPECT_NE(onDevice.find("lies on a file system of the source disk"), std::string::npos);
  EXPECT_EQ(elsewhere, "");
}

}  // namespace
}  // namespace kestrel::imaging
