// SPDX-License-Identifier: Apache-2.0
// The Windows platform layer on real files: the disk list of KESTREL_NSS_DISKS, reads at 64-bit
// offsets, names outside the ANSI code page, and the refusals that keep writes on plain files.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "destination/Destination.h"
#include "disk/DiskReader.h"
#include "disk/DriveList.h"
#include "disk/platform/Platform.h"
#include "disk/platform/StorageUse.h"
#include "disk/platform/Utf8Path.h"
#include "disk/platform/WideText.h"
#include "support/Files.h"

namespace kestrel::disk {
namespace {

namespace fs = std::filesystem;
using platform::Utf8Path;
using platform::Utf8Text;

class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::string& value) : name_(name) {
    _wputenv_s(name_, platform::ToWide(value).c_str());
  }
  ~ScopedVariable() { _wputenv_s(name_, L""); }

 private:
  const wchar_t* name_;
};

class WindowsFiles : public ::testing::Test {
 protected:
  // A sparse disk file in the test's folder (test::MakeSparseDisk); its path.
  std::string MakeDisk(const std::string& name, std::uint64_t bytes, const std::string& tail) {
    const fs::path path = folder / name;
    test::MakeSparseDisk(path, bytes, tail);
    return Utf8Text(path);
  }

  test::ScratchFolder folder{"windows-platform"};
};

TEST_F(WindowsFiles, DiskListIsSeparatedBySemicolonsAndReadsPastFourGibibytes) {
  const std::string d0 = MakeDisk("d0.img", 1 << 20, "zero");
  const std::string d3 = MakeDisk("d3.img", (4ull << 30) + 1024, "FAR");
  ASSERT_EQ(d0.substr(1, 2), ":\\") << "a drive-letter path, with the colon in it";
  const ScopedVariable disks(L"KESTREL_NSS_DISKS", d0 + ";" + d0 + ";;" + d3);
  EXPECT_EQ(platform::DiskDevicePath(2), "");
  EXPECT_EQ(platform::DiskDevicePath(3), d3);
  EXPECT_EQ(platform::DiskSectorCount(3), (8ull << 20) + 2);
  EXPECT_EQ(ListDisks().drives.size(), 3u);
  EXPECT_FALSE(platform::IdentifyDrive(0)) << "an image file has no drive to ask";

  const OpenedSource opened = OpenSource(R"(\\.\PhysicalDrive3)");
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  SectorBuffer sector{};
  ASSERT_TRUE(opened.reader.ReadSector(8388609, sector));
  EXPECT_EQ(std::string(sector.begin(), sector.begin() + 3), "FAR");
  EXPECT_FALSE(opened.reader.ReadSector(8388610, sector)) << "past the end";
  std::array<std::uint8_t, 1024> tail{};
  EXPECT_EQ(opened.reader.ReadSome((4ll << 30) + 512, tail), 512u) << "short at the end";
  EXPECT_EQ(OpenSource(R"(\\.\PhysicalDrive2)").status.error, OpenError::NotFound);
  EXPECT_EQ(OpenSource(Utf8Text(folder / "absent.img")).status.error, OpenError::NotFound);
}

TEST_F(WindowsFiles, NamesOutsideTheAnsiCodePageAreWrittenAsThemselves) {
  const std::string name = "\xC3\x9Cn\xC3\xAF-\xE6\x97\xA5\xE6\x9C\xAC-\xC5\x81\xC3\x93" "D\xC5\xB9.txt";
  const std::string folderPath = Utf8Text(folder / "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
  std::string error;
  ASSERT_TRUE(platform::CreateFolders(folderPath, error)) << error;
  const std::string path = folderPath + "\\" + name;
  auto created = platform::CreateOutputFile(path);
  ASSERT_TRUE(created.file) << created.error;
  const std::string text = "recovered";
  ASSERT_TRUE(created.file->Write({reinterpret_cast<const std::uint8_t*>(text.data()), 9}));
  ASSERT_TRUE(created.file->Close());

  EXPECT_TRUE(platform::PathExists(path));
  const fs::directory_entry entry = *fs::directory_iterator(Utf8Path(folderPath));
  EXPECT_EQ(entry.path().filename().wstring(), platform::ToWide(name)) << "no '?' for a character";
  EXPECT_EQ(test::ReadFileText(Utf8Path(path)), text);
  EXPECT_TRUE(platform::SameStorage(path, Utf8Text(entry.path())));
  EXPECT_FALSE(platform::SameStorage(path, MakeDisk("other.img", 4096, "")));
  EXPECT_TRUE(platform::FreeBytes(folderPath).has_value());
}

TEST_F(WindowsFiles, ImagesAreWrittenToPlainFilesOnly) {
  for (const std::string device : {"NUL", "CON", R"(\\.\PhysicalDrive0)", R"(\\.\C:)"}) {
    EXPECT_FALSE(platform::CreateImageFile(device).writer) << device;
  }
  EXPECT_FALSE(platform::CreateImageFile(Utf8Text(folder.path())).writer) << "a folder";
  const std::string image = MakeDisk("old.img", 8192, "OLD");
  EXPECT_TRUE(platform::OpenImageFileToResume(image).writer);
  EXPECT_EQ(fs::file_size(Utf8Path(image)), 8192u) << "resuming keeps the bytes";
  auto created = platform::CreateImageFile(image);
  ASSERT_TRUE(created.writer) << created.status.message;
  std::array<std::uint8_t, 1024> sectors{};
  sectors[512] = 'X';
  ASSERT_TRUE(created.writer->WriteSectors(4, 2, sectors));
  ASSERT_TRUE(created.writer->Flush());
  created.writer.reset();
  const std::string bytes = test::ReadFileText(Utf8Path(image));
  ASSERT_EQ(bytes.size(), 3072u) << "emptied, then written at sector 4";
  EXPECT_EQ(bytes[2560], 'X');
}

TEST_F(WindowsFiles, ReplacedFilesLeaveNoTemporaryBehind) {
  const std::string path = Utf8Text(folder / "scan.IMG");
  ASSERT_FALSE(platform::ReplaceFileAtomically(path, "first"));
  ASSERT_FALSE(platform::ReplaceFileAtomically(path, "second"));
  EXPECT_EQ(test::ReadFileText(Utf8Path(path)), "second");
  EXPECT_FALSE(fs::exists(Utf8Path(path + ".tmp")));
  EXPECT_TRUE(platform::ReplaceFileAtomically(Utf8Text(folder / "absent" / "scan.IMG"), "x"));
}

TEST(WindowsPaths, LogReportSitsOnTheWindowsDriveUnlessConfigured) {
  const std::string fallback = platform::LogReportPath();
  EXPECT_EQ(fallback.substr(1), R"(:\KestrelNSSLogReport.txt)");
  const ScopedVariable log(L"KESTREL_NSS_LOG", "D:\\logs\\run.txt");
  EXPECT_EQ(platform::LogReportPath(), "D:\\logs\\run.txt");
}

TEST(WindowsPaths, LocalDestinationsFollowWindowsNames) {
  EXPECT_TRUE(platform::LocalNamesFollowWindowsRules());
  EXPECT_TRUE(destination::LocalDestination("C:\\out").Rules().windowsNames);
}

}  // namespace
}  // namespace kestrel::disk
