// SPDX-License-Identifier: Apache-2.0
// The cloning worker from sources with bad sectors onto real files and loop devices, and the
// destinations it refuses.
#include <gtest/gtest.h>

#include "disk/DriveList.h"
#include "disk/MemorySource.h"
#include "disk/platform/StorageUse.h"
#include "imaging/CloneChoice.h"
#include "imaging/DiskClone.h"
#include "imaging/ImagingSupport.h"

namespace kestrel::imaging {
namespace {

using namespace test;

constexpr std::uint8_t kOldByte = 0xEE;
// 1763 blocks of 64 sectors: each square is one chunk of 64 sectors, and sector 1500 lies in the
// chunk of sectors 1472 to 1535.
constexpr std::uint64_t kSourceSectors = 1763 * 64;
constexpr std::uint64_t kBadSector = 1500;

class DiskClone : public ::testing::Test {
 protected:
  // Disk 1 of the disk list is the destination; it starts out full of kOldByte.
  app::Result<CopyOutcome> Clone(const std::string& destination,
                                 app::ProgressObserver* observer = nullptr,
                                 std::stop_token stop = {}) {
    const ScopedDiskList disks(":" + destination);
    auto writer = platform::OpenDiskForWriting(1);
    EXPECT_TRUE(writer.status.ok()) << writer.status.message;
    if (!writer.writer) return app::Failure{writer.status.message};
    const CloneJob job{reader, 0, bytes.size() / 512, 1};
    return CloneDisk(job, *writer.writer, status, observer ? *observer : quiet, std::move(stop),
                     log);
  }

  std::string Log() const { return ReadFileText(folder / "log.txt"); }

  ScratchFolder folder{"imaging-clone"};
  fs::path destination = folder / "destination.img";
  std::vector<std::uint8_t> bytes = NumberedSectors(kSourceSectors);
  std::vector<std::uint8_t> old = std::vector<std::uint8_t>((kSourceSectors + 100) * 512, kOldByte);
  disk::DiskReader reader{
      std::make_shared<disk::FaultyMemorySource>(bytes, std::set<std::uint64_t>{kBadSector})};
  app::LogReport log{(folder / "log.txt").string()};
  CopyStatus status;
  app::NoProgress quiet;
};

// What the destination must hold: the source with zeros at the bad sector, and the old bytes
// after it.
std::vector<std::uint8_t> Cloned(const std::vector<std::uint8_t>& source,
                                 const std::vector<std::uint8_t>& old) {
  auto expected = old;
  std::copy(source.begin(), source.end(), expected.begin());
  std::fill(expected.begin() + kBadSector * 512, expected.begin() + (kBadSector + 1) * 512, 0);
  return expected;
}

// Old bytes left at an unreadable sector would pass for the source's data.
TEST_F(DiskClone, AnUnreadableSectorIsWrittenAsZerosAndCountedOnAFile) {
  WriteWholeFile(destination, old);
  const auto outcome = Clone(destination.string());
  ASSERT_TRUE(outcome.ok()) << outcome.error();
  EXPECT_TRUE(ReadWholeFile(destination) == Cloned(bytes, old))
      << "the other 63 sectors of the chunk are written, the bad one as zeros";
  EXPECT_EQ(outcome.value().unreadable.Runs(), (std::vector<SectorRun>{{kBadSector, 1}}));
  EXPECT_EQ(outcome.value().sectorsDone, kSourceSectors);
  EXPECT_EQ(outcome.value().bytesWritten, kSourceSectors * 512);
  EXPECT_EQ(status.unreadableSectors, 1u);
  EXPECT_EQ(status.grid.State(23), BlockState::Bad);
  EXPECT_NE(Log().find("\nStarted disk cloning\n"), std::string::npos);
  EXPECT_NE(Log().find("1 unreadable sectors written as zeros"), std::string::npos);
  EXPECT_EQ(Log().find("Disk cloning stopped."), std::string::npos);
  ExpectSourceUnchanged(reader, bytes, {kBadSector});
}

TEST_F(DiskClone, AnUnreadableSectorIsWrittenAsZerosOnALoopDevice) {
  WriteWholeFile(destination, old);
  const LoopDevice loop(destination);
  if (loop.device().empty()) GTEST_SKIP() << "SKIPPED: no loop device on this machine";
  const auto outcome = Clone(loop.device());
  ASSERT_TRUE(outcome.ok()) << outcome.error();
  std::vector<std::uint8_t> written(old.size());
  const auto device = disk::OpenSource(loop.device());
  ASSERT_TRUE(device.reader.ReadAt(0, written));
  EXPECT_TRUE(written == Cloned(bytes, old));
  ExpectSourceUnchanged(reader, bytes, {kBadSector});
}

TEST_F(DiskClone, AStopInTheMiddleOfASquareEndsAfterTheChunk) {
  // 1763 * 70 sectors: squares of 70 sectors, copied in chunks of 64 and 6.
  bytes = NumberedSectors(1763 * 70);
  reader = disk::DiskReader(std::make_shared<disk::MemorySource>(bytes));
  old.assign(bytes.size(), kOldByte);
  WriteWholeFile(destination, old);
  std::stop_source stop;
  class StopAfterChunks : public app::ProgressObserver {
   public:
    explicit StopAfterChunks(std::stop_source& stop) : stop_(stop) {}
    void OnProgress(const app::Progress& progress) override {
      if (progress.done >= (70 + 64) * 512) stop_.request_stop();
    }
    std::stop_source& stop_;
  } stopper(stop);
  const auto outcome = Clone(destination.string(), &stopper, stop.get_token());
  ASSERT_TRUE(outcome.ok());
  EXPECT_TRUE(outcome.value().stopped);
  EXPECT_EQ(outcome.value().sectorsDone, 70u + 64) << "one chunk into the second square";
  const auto written = ReadWholeFile(destination);
  EXPECT_TRUE(std::equal(written.begin(), written.begin() + 134 * 512, bytes.begin()));
  EXPECT_TRUE(std::all_of(written.begin() + 134 * 512, written.end(),
                          [](std::uint8_t byte) { return byte == kOldByte; }));
  EXPECT_EQ(status.grid.State(1), BlockState::Remaining) << "a square left half done";
  EXPECT_NE(Log().find("\nDisk cloning stopped.\n"), std::string::npos);
  ExpectSourceUnchanged(reader, bytes);
}

TEST_F(DiskClone, AFailedWriteOrAFailedFlushIsAFailure) {
  const CloneJob job{reader, 0, bytes.size() / 512, 1};
  FailingDisk full(1000);
  const auto cutShort = CloneDisk(job, full, status, quiet, {}, log);
  ASSERT_FALSE(cutShort.ok());
  EXPECT_NE(cutShort.error().find("No space left on device"), std::string::npos)
      << cutShort.error();
  FailingDisk unstorable(kSourceSectors, FailingDisk::Storing::Fails);
  const auto unstored = CloneDisk(job, unstorable, status, quiet, {}, log);
  ASSERT_FALSE(unstored.ok()) << "every write was taken, yet nothing was stored";
  EXPECT_NE(unstored.error().find("cannot store what was written on the destination: "),
            std::string::npos)
      << unstored.error();
  EXPECT_NE(Log().find("\nDisk cloning failed: "), std::string::npos);
}

class CloneRefusals : public ::testing::Test {
 protected:
  static disk::DriveListEntry Drive(int number, std::uint64_t sectors) {
    return {number, platform::MediaKind::Fixed, sectors, std::nullopt, {}};
  }
  std::string Refusal(const std::string& disks, int destinationSectors = 100) {
    const ScopedDiskList list(disks);
    const auto refusal = CloneRefusal(Drive(0, 100), Drive(1, destinationSectors));
    return refusal ? refusal->message : "";
  }

  ScratchFolder folder{"imaging-refusals"};
  std::string source = (folder / "source.img").string();
  std::string other = (folder / "other.img").string();
  const std::vector<std::uint8_t> sourceBytes = NumberedSectors(100);

  void SetUp() override {
    WriteWholeFile(source, sourceBytes);
    WriteWholeFile(other, NumberedSectors(100));
  }
  void TearDown() override { EXPECT_TRUE(ReadWholeFile(source) == sourceBytes); }
};

TEST_F(CloneRefusals, TheSameDiskOrDeviceOrASmallerOne) {
  EXPECT_EQ(Refusal(source + ":" + other), "");
  const ScopedDiskList list(source + ":" + other);
  EXPECT_NE(CloneRefusal(Drive(0, 100), Drive(0, 100))->message.find("the same disk"),
            std::string::npos);
  EXPECT_NE(Refusal(source + ":" + other, 99).find("is smaller than Disk0"), std::string::npos);
  EXPECT_NE(Refusal(source + ":" + source).find("are the same device"), std::string::npos);
  fs::create_hard_link(source, folder / "link.img");
  EXPECT_NE(Refusal(source + ":" + (folder / "link.img").string()).find("are the same device"),
            std::string::npos);
}

TEST_F(CloneRefusals, ALoopDeviceOverTheSourceIsTheSameDevice) {
  const LoopDevice loop(source);
  if (loop.device().empty()) GTEST_SKIP() << "SKIPPED: no loop device on this machine";
  EXPECT_NE(Refusal(source + ":" + loop.device()).find("are the same device"), std::string::npos);
  EXPECT_NE(Refusal(loop.device() + ":" + source).find("are the same device"), std::string::npos);
}

TEST_F(CloneRefusals, AMountedFileSystem) {
  const fs::path fileSystem = folder / "ext2.img";
  MountedExt2 mounted(fileSystem, folder / "mnt", 8 << 20);
  if (!mounted.skipReason().empty()) GTEST_SKIP() << "SKIPPED: " << mounted.skipReason();
  const std::string onDevice = Refusal(source + ":" + mounted.device(), 16384);
  const std::string onFile = Refusal(source + ":" + fileSystem.string(), 16384);
  mounted.Unmount();
  EXPECT_NE(onDevice.find("holds a mounted file system (" + mounted.device() + " on "),
            std::string::npos)
      << onDevice;
  EXPECT_NE(onFile.find("holds a mounted file system"), std::string::npos)
      << "the file behind a mounted loop device: " << onFile;
}

// Start reads the disks again: the lines shown may be stale by then.
TEST_F(CloneRefusals, ADiskThatChangedSinceTheListWasMade) {
  const ScopedDiskList list(source + ":" + other);
  const disk::DriveListEntry listed = Drive(1, 100);
  EXPECT_FALSE(CloneDriveChanged(listed).has_value());
  WriteWholeFile(other, NumberedSectors(101));
  const auto resized = CloneDriveChanged(listed);
  ASSERT_TRUE(resized.has_value());
  EXPECT_NE(resized->message.find("Disk1 ("), std::string::npos) << resized->message;
  EXPECT_NE(resized->message.find("its size or serial number changed"), std::string::npos);
  disk::DriveListEntry otherSerial = Drive(0, 100);
  otherSerial.identity = disk::DriveIdentity{"model", "SERIAL-1", "", 0};
  EXPECT_TRUE(CloneDriveChanged(otherSerial).has_value()) << "the file has no serial number";
  EXPECT_NE(CloneDriveChanged(Drive(2, 100))->message.find("Disk2 is no longer there"),
            std::string::npos);
}

// Only asks: nothing is ever written to the disk of the running system.
TEST(StorageUse, TheDiskOfTheRunningSystemIsNamedSo) {
  const auto mounts = platform::ParseMountInfo(ReadFileText("/proc/self/mountinfo"));
  const auto root = std::find_if(mounts.begin(), mounts.end(),
                                 [](const auto& mount) { return mount.mountPoint == "/"; });
  if (root == mounts.end() || !root->source.starts_with("/dev/") || !fs::exists(root->source)) {
    GTEST_SKIP() << "SKIPPED: the running system is not on a block device here";
  }
  const auto reason = platform::WhyDiskIsInUse(root->source);
  ASSERT_TRUE(reason.has_value());
  EXPECT_NE(reason->find("it holds the running system (/ is mounted from"), std::string::npos)
      << *reason;
}

TEST(StorageUse, MountInfoLinesAndTheirEscapes) {
  const auto mounts = platform::ParseMountInfo(
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "45 27 7:3 / /mnt/my\\040disk rw shared:5 master:1 - ext2 /dev/loop3 rw\n"
      "46 27 0:40 / /- rw - tmpfs tmpfs rw\n"
      "broken line\n");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].major, 254u);
  EXPECT_EQ(mounts[0].source, "/dev/vda");
  EXPECT_EQ(mounts[1].mountPoint, "/mnt/my disk");
  EXPECT_EQ(mounts[1].minor, 3u);
  EXPECT_EQ(mounts[1].source, "/dev/loop3");
  EXPECT_EQ(mounts[2].mountPoint, "/-");
  EXPECT_EQ(mounts[2].source, "tmpfs");
}

}  // namespace
}  // namespace kestrel::imaging
