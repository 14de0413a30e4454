// SPDX-License-Identifier: Apache-2.0
// The scan information file: its bytes as written, reading it back whatever it holds, and the
// rules around saving.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>

#include "app/TextEncoding.h"
#include "disk/MemorySource.h"
#include "savedscan/SaveRules.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"
#include "savedscan/SourceFileKind.h"
#include "support/Bytes.h"
#include "support/Files.h"
#include "volume/VolumeScanner.h"

namespace kestrel::savedscan {
namespace {

using test::Bytes;

// One record at offset, as the file lays it out.
std::size_t PutRecord(Bytes& bytes, std::size_t at, std::uint64_t parent, std::uint64_t key,
                      std::uint32_t size, std::uint32_t blocks, std::uint32_t start,
                      std::u16string_view name, std::uint8_t state = 1) {
  bytes.PutU64(at + 4, parent).PutU64(at + 12, key).PutU32(at + 20, size).PutU32(at + 24, blocks);
  bytes.PutU32(at + 28, start)
      .PutU8(at + 44, state)
      .PutU16(at + 45, static_cast<std::uint16_t>(name.size()));
  bytes.PutUtf16(at + 47, name);
  return at + 47 + 2 * name.size();
}

TEST(ScanFileWriter, BytesAreExactlyTheLayout) {
  volume::FileTree tree = volume::NewVolumeTree(u"VOL1");
  const std::u16string longName(259, u'n');
  tree.InsertScanItem({longName, 30, 5000, volume::kTopDirectoryKey, {2, 40}, {{3, 60}}});
  tree.InsertScanItem({u"DOCS", 10, 0, volume::kTopDirectoryKey, {}, {}});
  tree.InsertScanItem({u"a.txt", 11, 10, 10, {1, 50}, {}});
  const SourceDescription source{"Volume:VOL1", R"(\\.\PhysicalDrive0)", 0x105000};

  Bytes expected;
  expected.Put(0, kScanFileBanner);
  std::size_t at =
      PutRecord(expected, 35, 0x105000, 127, 0, 0, 0, u"Volume:VOL1,\\\\.\\PhysicalDrive0", 0);
  at = PutRecord(expected, at, 127, 30, 5000, 2, 40, longName);
  at = PutRecord(expected, at, 127, 30, 5000, 3, 60, u"");
  at = PutRecord(expected, at, 127, 10, 0, 0, 0, u"DOCS");
  PutRecord(expected, at, 10, 11, 10, 1, 50, u"a.txt");
  EXPECT_EQ(EncodeScanFile(tree, ScanKind::Volume, source), expected.data());
}

TEST(ScanFileWriter, APoolTreesVolumeItemsCarryTheirText) {
  volume::FileTree tree = volume::NewVolumeTree(u"pool");
  tree.Record(tree.Folder(tree.Top()).record).m_key = 128;
  volume::DecodedEntry item{u"", 61, 0, 128, {}, {}};
  const auto record = tree.NewEntryRecords(item, true);
  tree.SetLabel(tree.AddFolderItem(tree.Top(), record, false), u"VOL1");
  std::vector<ScanFileRecord> records;
  ForEachFileRecord(tree, ScanKind::Pool, {"Pool", "/images/pool.IMG", 0x5000},
                    [&](const ScanFileRecord& r) { records.push_back(r); });
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, u"Pool,/images/pool.IMG");
  EXPECT_EQ(records[0].parentKey, 0x5000u);
  EXPECT_EQ(records[1].name, u"VOL1");
}

SavedScan Parse(const Bytes& bytes) {
  return ParseScanRecords(disk::DiskReader(std::make_shared<disk::MemorySource>(bytes.data())));
}

// Lowers the largest file this process may write, as a full disk would stop a write; restored
// when it ends. A write past the limit fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST(ScanFileWriter, AWriteThatFailsLeavesThePreviousScanWhole) {
  test::ScratchFolder folder{"scanfile"};
  const std::string path = folder / "volume.scan";
  const SourceDescription source{"Volume:VOL1", "/dev/sdb", 0x105000};
  volume::FileTree small = volume::NewVolumeTree(u"VOL1");
  small.InsertScanItem({u"a.txt", 11, 10, volume::kTopDirectoryKey, {1, 50}, {}});
  ASSERT_TRUE(WriteScanFile(small, ScanKind::Volume, source, path).ok());
  const std::string previous = test::ReadFileText(path);
  volume::FileTree big = volume::NewVolumeTree(u"VOL1");
  for (std::uint64_t key = 100; key < 400; ++key)
    big.InsertScanItem({u"file" + app::ToUtf16(std::to_string(key)) + u".txt", key,
                        10, volume::kTopDirectoryKey, {1, 50}, {}});
  {
    const FileSizeLimit full(4096);
    EXPECT_FALSE(WriteScanFile(big, ScanKind::Volume, source, path).ok());
  }
  EXPECT_TRUE(test::ReadFileText(path) == previous) << "the previous scan was overwritten";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
      << "no temporary file is left behind";
}

TEST(ScanFileReader, ReadsWhatIsWholeAndNothingMore) {
  Bytes banner;
  banner.Put(0, kScanFileBanner);
  EXPECT_TRUE(Parse(banner).records.empty()) << "a banner alone is an empty scan";

  Bytes two = banner;
  const std::size_t at = PutRecord(two, 35, 1, 2, 3, 4, 5, u"first");
  PutRecord(two, at, 6, 7, 8, 9, 10, std::u16string(259, u'x'));
  const SavedScan scan = Parse(two);
  ASSERT_EQ(scan.records.size(), 2u);
  EXPECT_EQ(scan.records[0],
            (ScanFileRecord{1, 2, 3, 4, 5, volume::ItemState::Unselected, u"first"}));
  EXPECT_EQ(scan.records[1].name.size(), 259u);

  Bytes cut = two;
  cut.data().pop_back();
  EXPECT_EQ(Parse(cut).records.size(), 1u) << "a truncated last record is dropped";

  Bytes hostile = banner;
  hostile.PutU16(35 + 45, 0xFFFF)
      .PutU8(35 + 47 + 100, 0);  // claims 131070 bytes of name, holds 101
  EXPECT_TRUE(Parse(hostile).records.empty());
}

TEST(ScanFileReader, OnlyFilesWithTheBannerAreScanFiles) {
  const test::ScratchFolder folder("scanfiles");
  const app::LogReport log((folder / "log.txt").string());
  std::ofstream(folder / "disk.IMG") << "not a banner";
  EXPECT_FALSE(ReadScanFile((folder / "disk.IMG").string(), log).ok());
  const auto missing = ReadScanFile((folder / "absent.IMG").string(), log);
  EXPECT_EQ(missing.error(), "Select a valid scan file...");
  EXPECT_NE(
      test::ReadFileText(folder / "log.txt").find("\nResume recovery using saved scan information"),
      std::string::npos);
}

class ScriptedRename : public ScanRenamePrompt {
 public:
  explicit ScriptedRename(ScanRenameAnswer answer) : answer_(std::move(answer)) {}
  ScanRenameAnswer Ask(const std::string&, const std::string& proposedName) override {
    proposed = proposedName;
    return answer_;
  }
  std::string proposed;

 private:
  ScanRenameAnswer answer_;
};

TEST(SaveRules, NamesAndClashes) {
  EXPECT_EQ(ScanFileName("scan"), "scan.IMG");
  EXPECT_EQ(ScanFileName("scan.IMG"), "scan.IMG.IMG");

  const test::ScratchFolder folder("saverules");
  const std::string path = (folder / "x.IMG").string();
  ScriptedRename cancel({ScanRenameChoice::Cancel, ""});
  EXPECT_EQ(ChooseScanFilePath(path, cancel), path) << "nothing there: no question";
  std::ofstream(path) << "old";
  std::ofstream(folder / "(Copy_1)x.IMG") << "old";
  EXPECT_EQ(ChooseScanFilePath(path, cancel), std::nullopt);
  EXPECT_EQ(cancel.proposed, "(Copy_2)x.IMG");
  ScriptedRename overwrite({ScanRenameChoice::OverWrite, ""});
  EXPECT_EQ(ChooseScanFilePath(path, overwrite), path);
  ScriptedRename rename({ScanRenameChoice::Ok, "renamed.IMG"});
  EXPECT_EQ(ChooseScanFilePath(path, rename), (folder / "renamed.IMG").string())
      << "in the chosen folder";

  volume::FileTree tree = volume::NewVolumeTree(u"V");
  EXPECT_FALSE(HasSomethingToSave(tree));
  tree.InsertScanItem({u"only-file.txt", 5, 3, volume::kTopDirectoryKey, {1, 2}, {}});
  EXPECT_TRUE(HasSomethingToSave(tree)) << "files in the top folder alone are worth saving";
}

}  // namespace
}  // namespace kestrel::savedscan
