// SPDX-License-Identifier: Apache-2.0
// The Resume Recovery tab's fields and the opening of a chosen file, and the rules of saving a
// volume scan from the volume page.
#include <gtest/gtest.h>

#include <fstream>

#include "app/LogReport.h"
#include "disk/MemorySource.h"
#include "savedscan/ResumeFile.h"
#include "savedscan/ScanSaving.h"
#include "support/Files.h"
#include "volume/VolumeScanner.h"

namespace kestrel::savedscan {
namespace {

using test::ReadFileText;

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ResumeFields, SizeInWholeMegabytesFromOneOn) {
  EXPECT_EQ(ResumeSizeText(3000000), "2 MB");
  EXPECT_EQ(ResumeSizeText(1048575), "1048575 Bytes");
  EXPECT_EQ(ResumeSizeText(1048576), "1 MB");
  EXPECT_EQ(ResumeSizeText(0), "0 Bytes");
  EXPECT_EQ(ResumeSizeText(5ull << 40), "5242880 MB") << "no 32-bit overflow";
}

TEST(ResumeFields, NameSizeAndTypeOfTheChosenPath) {
  const ResumeFileFields fields = DescribeResumeFile("/srv/scans/vol1.IMG", 2048);
  EXPECT_EQ(fields.name, "/srv/scans/vol1.IMG");
  EXPECT_EQ(fields.size, "2048 Bytes");
  EXPECT_EQ(fields.type, "IMG");
  EXPECT_EQ(DescribeResumeFile("/srv/v1.d/scan", 10).type, "") << "a folder's dot is no type";
  EXPECT_EQ(DescribeResumeFile("/srv/scan.IMG.IMG", std::nullopt).size, "");
  const ResumeFileFields none = DescribeResumeFile("", 10);
  EXPECT_EQ(none.size, "") << "nothing is shown for an empty path";
}

class OpenResumeFileTest : public ::testing::Test {
 protected:
  test::ScratchFolder folder_{"kestrel-resume"};
  app::LogReport log_{(folder_ / "log.txt").string()};

  // Opens the file and checks that opening it left its bytes as they were.
  app::Result<ResumeOpening> Open(const std::filesystem::path& path) {
    const std::string before = ReadFileText(path);
    auto opened = OpenResumeFile(path.string(), log_);
    EXPECT_EQ(ReadFileText(path), before) << "the chosen file was written";
    return opened;
  }
};

TEST_F(OpenResumeFileTest, AScanFileComesWithItsRecords) {
  WriteFile(folder_ / "empty.IMG", std::string(kScanFileBanner));
  const auto opened = Open(folder_ / "empty.IMG");
  ASSERT_TRUE(opened.ok()) << opened.error();
  EXPECT_EQ(opened.value().kind, SourceFileKind::ScanInformation);
  EXPECT_TRUE(opened.value().scan.records.empty()) << "only the banner: an empty scan";
  EXPECT_NE(ReadFileText(log_.path()).find("\nResume recovery using saved scan information"),
            std::string::npos);
}

TEST_F(OpenResumeFileTest, ImagesAreToldApartAndLogged) {
  WriteFile(folder_ / "pool.IMG", std::string("\x01Nw_PaRtItIoN") + std::string(600, '\0'));
  WriteFile(folder_ / "disk.IMG", std::string(1024, '\0'));
  const auto pool = Open(folder_ / "pool.IMG");
  ASSERT_TRUE(pool.ok());
  EXPECT_EQ(pool.value().kind, SourceFileKind::PoolImage);
  const auto disk = Open(folder_ / "disk.IMG");
  ASSERT_TRUE(disk.ok());
  EXPECT_EQ(disk.value().kind, SourceFileKind::DiskImage);
  const std::string log = ReadFileText(log_.path());
  EXPECT_NE(log.find("\nResume recovery from pool image"), std::string::npos);
  EXPECT_NE(log.find("\nResume recovery from disk image"), std::string::npos);
}

TEST_F(OpenResumeFileTest, AFileThatCannotBeOpened) {
  const auto opened = OpenResumeFile((folder_ / "missing.IMG").string(), log_);
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.error(), "Select a valid scan file...");
}

TEST_F(OpenResumeFileTest, AContainerThatCannotBeReadSaysWhy) {
  WriteFile(folder_ / "damaged.E01",
            std::string("EVF\x09\x0D\x0A\xFF\x00", 8) + std::string(600, '\0'));
  const auto opened = Open(folder_ / "damaged.E01");
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.error().find("EWF evidence file (E01)"), std::string::npos) << opened.error();
}

TEST(ScanSaving, TheVolumeScanIsNamedAsTheMediaPageShowsIt) {
  volume::VolumeScanSource source;
  source.volumeName = u"VOL1";
  source.sourcePath = R"(\\.\PhysicalDrive0)";
  source.poolBase = 0x105000;
  const SourceDescription description = DescribeVolumeScan(source);
  EXPECT_EQ(description.displayName, "Volume:VOL1");
  EXPECT_EQ(description.sourcePath, R"(\\.\PhysicalDrive0)");
  EXPECT_EQ(description.location, 0x105000u);
}

TEST(ScanSaving, LeavingAsksOnlyWhenASaveCanHappen) {
  volume::FileTree tree = volume::NewVolumeTree(u"VOL1");
  EXPECT_FALSE(AsksToSaveOnLeaving(false, tree)) << "nothing to save";
  tree.InsertScanItem({u"a.txt", 11, 10, volume::kTopDirectoryKey, {1, 50}, {}});
  EXPECT_TRUE(AsksToSaveOnLeaving(false, tree)) << "a file in the top folder is worth saving";
  EXPECT_FALSE(AsksToSaveOnLeaving(true, tree)) << "saved, or resumed from a saved scan";
}

}  // namespace
}  // namespace kestrel::savedscan
