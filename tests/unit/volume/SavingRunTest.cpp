// SPDX-License-Identifier: Apache-2.0
// Recovery runs from a source in memory into a real folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "app/TextEncoding.h"
#include "disk/MemorySource.h"
#include "imaging/Digest.h"
#include "report/Report.h"
#include "support/FailingRead.h"
#include "support/Files.h"
#include "volume/SavingRun.h"
#include "volume/Selection.h"
#include "volume/TreePaths.h"
#include "volume/VolumeScanner.h"

namespace kestrel::volume {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kBase = 0x5000;
constexpr std::uint64_t kBlock = 4096;

std::uint8_t ByteAt(std::uint64_t offset) {
  return static_cast<std::uint8_t>(offset * 13 + offset / 4096);
}

std::string Expected(std::uint64_t block, std::uint64_t size) {
  std::string bytes;
  for (std::uint64_t i = 0; i < size; ++i)
    bytes.push_back(static_cast<char>(ByteAt(kBase + (block - 1) * kBlock + i)));
  return bytes;
}

class Saving : public ::testing::Test {
 protected:
  Saving() : log((folder / "log.txt").string()) {
    tree.InsertScanItem({u"top.txt", 20, 5, kTopDirectoryKey, {1, 2}, {}});
    tree.InsertScanItem({u"DOCS", 10, 0, kTopDirectoryKey, {}, {}});
    tree.InsertScanItem({u"a.txt", 21, 100, 10, {1, 3}, {}});
    tree.InsertScanItem({u"b.doc", 22, 2 * kBlock + 7, 10, {1, 4}, {{3, 6}}});
    tree.InsertScanItem({u"OLD", 11, 0, 10, {}, {}});
    tree.InsertScanItem({u"c.txt", 23, 1, 11, {1, 9}, {}});
    tree.InsertScanItem({u"PICS", 12, 0, kTopDirectoryKey, {}, {}});
    tree.InsertScanItem({u"p.bmp", 24, kBlock, 12, {1, 10}, {}});
  }

  std::vector<std::uint8_t> Disk() const {
    std::vector<std::uint8_t> bytes(kBase + 20 * kBlock);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = ByteAt(i);
    return bytes;
  }

  SavingReport Save(std::shared_ptr<disk::ByteSource> source = nullptr, std::stop_token stop = {},
                    app::ProgressObserver* observer = nullptr) {
    const disk::DiskReader reader(source ? source : std::make_shared<disk::MemorySource>(Disk()));
    destination::LocalDestination destination((folder / "out").string());
    destination::FixedAnswer prompt(choice);
    const SavingSetup setup{reader, kBase, destination, filter, prompt, nullptr, hashFiles, md5Too};
    app::NoProgress quiet;
    return SaveSelected(tree, setup, observer ? *observer : quiet, pause, stop, log);
  }

  void Select(const std::string& path) { SelectEntries(tree, FindByPath(tree, path)); }
  fs::path Out(const std::string& path = "") const { return folder / "out" / path; }

  test::ScratchFolder folder{"saving"};
  FileTree tree = NewVolumeTree(u"VOL1");
  filter::FilterList filter;
  destination::ConflictChoice choice = destination::ConflictChoice::RenameAll;
  app::PauseGate pause;
  app::LogReport log;
  bool hashFiles = false;
  bool md5Too = false;
};

TEST_F(Saving, EverythingSelectedComesBackByteForByteAndUnselected) {
  SelectAll(tree);
  hashFiles = md5Too = true;
  const SavingReport report = Save();
  ASSERT_EQ(report.handled.size(), 5u);
  for (const HandledFile& file : report.handled) {
    const std::string bytes = test::ReadFileText(file.target);
    const auto digestOfBytes = [&](imaging::DigestKind kind) {
      imaging::Digest written(kind);
      written.Update({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
      return written.HexDigest();
    };
    EXPECT_EQ(file.sha256, digestOfBytes(imaging::DigestKind::Sha256)) << file.target;
    EXPECT_EQ(file.md5, digestOfBytes(imaging::DigestKind::Md5)) << file.target;
  }
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(report.filesWritten, 5u);
  EXPECT_EQ(test::ReadFileText(Out("top.txt")), Expected(2, 5));
  EXPECT_EQ(test::ReadFileText(Out("DOCS/b.doc")), Expected(4, kBlock) + Expected(6, kBlock + 7))
      << "two extents, cut to size";
  EXPECT_EQ(test::ReadFileText(Out("DOCS/OLD/c.txt")), Expected(9, 1));
  EXPECT_EQ(test::ReadFileText(Out("PICS/p.bmp")).size(), kBlock);
  for (RecordId r = 0; r < tree.RecordCount(); ++r) {
    if (r != tree.Folder(tree.Top()).record) {
      EXPECT_EQ(tree.Record(r).m_state, ItemState::Unselected);
    }
  }
  EXPECT_EQ(tree.Folder(tree.Top()).check, CheckState::Unchecked);
}

TEST_F(Saving, OnlyTheTickedSubfolderOfAPartialParentIsWritten) {
  Select("/DOCS/OLD");  // DOCS is ticked by its only sub-folder; its own files are not
  EXPECT_TRUE(Save().Complete());
  EXPECT_EQ(test::ReadFileText(Out("DOCS/OLD/c.txt")), Expected(9, 1));
  EXPECT_FALSE(fs::exists(Out("DOCS/a.txt")));
  EXPECT_FALSE(fs::exists(Out("PICS")));
  EXPECT_FALSE(fs::exists(Out("top.txt")));
}

TEST_F(Saving, AFilterWritesEveryFileItAdmitsAndMakesEveryFolder) {
  Select("/DOCS/b.doc");
  filter.AddTyped(u"*.txt");
  EXPECT_TRUE(Save().Complete());
  EXPECT_TRUE(fs::exists(Out("top.txt")));
  EXPECT_TRUE(fs::exists(Out("DOCS/a.txt"))) << "not selected, but admitted";
  EXPECT_FALSE(fs::exists(Out("DOCS/b.doc"))) << "selected, but not admitted";
  EXPECT_TRUE(fs::is_directory(Out("PICS")));
  EXPECT_FALSE(filter.IsActive()) << "the list is emptied after the run";
}

TEST_F(Saving, HostileNamesStayInsideTheDestinationAndAreLogged) {
  tree.InsertScanItem({u"etc/x\\y", 13, 0, kTopDirectoryKey, {}, {}});
  tree.InsertScanItem({u"..", 25, 3, 13, {1, 11}, {}});
  tree.InsertScanItem({u"a/b\x01", 26, 3, kTopDirectoryKey, {1, 12}, {}});
  SelectAll(tree);
  const SavingReport report = Save();
  EXPECT_TRUE(report.Complete());
  EXPECT_TRUE(fs::exists(Out("etc_x_y/__")));
  EXPECT_TRUE(fs::exists(Out("a_b_")));
  EXPECT_EQ(report.renamed.size(), 3u);
  EXPECT_NE(test::ReadFileText(folder / "log.txt").find("Recovered under a changed name: "),
            std::string::npos);
  for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
    EXPECT_EQ(entry.path().string().rfind(folder.path().string(), 0), 0u);
  }
}

TEST_F(Saving, UnreadableBlocksAndFailedFilesAreReportedAndTheRunGoesOn) {
  Select("/DOCS");
  hashFiles = true;  // a file that fails is still handed over whole to the hashing
  fs::create_directories(Out("DOCS/a.txt"));  // a folder in the way of a file
  choice = destination::ConflictChoice::OverWriteAll;
  const std::uint64_t badSector =
      (kBase + 5 * kBlock) / 512;  // the first block of b.doc's second extent
  const SavingReport report =
      Save(std::make_shared<disk::FaultyMemorySource>(Disk(), std::set{badSector}));
  EXPECT_FALSE(report.Complete());
  ASSERT_EQ(report.failed.size(), 2u);
  EXPECT_NE(report.failed[0].reason.find("1 unreadable blocks written as zeros"),
            std::string::npos);
  EXPECT_TRUE(report.failed[1].path.ends_with("a.txt"));
  EXPECT_NE(report.failed[1].reason.find("could not be given its name"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(Out("DOCS/a.txt"))) << "what is in the way stays";
  EXPECT_EQ(test::ReadFileText(Out("DOCS/b.doc")),
            Expected(4, kBlock) + std::string(kBlock, '\0') + Expected(7, 7));
  EXPECT_TRUE(fs::exists(Out("DOCS/OLD/c.txt"))) << "the run goes on after a failure";
  EXPECT_NE(test::ReadFileText(folder / "log.txt").find("unreadable blocks written as zeros: "),
            std::string::npos);
}

TEST_F(Saving, FailuresAreReportedInFileOrderWhetherHashedOrNot) {
  const std::uint64_t badSector = (kBase + 2 * kBlock) / 512;  // in a.txt, the first of DOCS
  for (const bool hashing : {false, true}) {
    fs::remove_all(Out());
    fs::create_directories(Out("DOCS/b.doc"));  // a folder in the way of the second
    choice = destination::ConflictChoice::OverWriteAll;
    Select("/DOCS");
    hashFiles = hashing;
    const SavingReport report =
        Save(std::make_shared<disk::FaultyMemorySource>(Disk(), std::set{badSector}));
    ASSERT_EQ(report.failed.size(), 2u);
    EXPECT_TRUE(report.failed[0].path.ends_with("a.txt")) << report.failed[0].path;
    EXPECT_NE(report.failed[1].reason.find("could not be given its name"), std::string::npos);
  }
}

// Every read of the run fails in turn: every file is either written whole, byte for byte as from a
// sound source, or named as not written whole, and the run is then not complete.
TEST_F(Saving, AFailedReadAnywhereLeavesNoFileThatIsNotWholeUnnamed) {
  const std::vector<std::string> files{"top.txt", "DOCS/a.txt", "DOCS/b.doc", "DOCS/OLD/c.txt",
                                       "PICS/p.bmp"};
  std::map<std::string, std::string> whole;
  test::ForEveryFailingRead(
      Disk(), [&](std::shared_ptr<test::FailingReadSource> source, std::uint64_t k) {
        fs::remove_all(Out());
        SelectAll(tree);
        const SavingReport report = Save(source);
        for (const std::string& file : files) {
          const std::string written = test::ReadFileText(Out(file));
          if (k == 0) {
            whole[file] = written;
            continue;
          }
          const bool named =
              std::any_of(report.failed.begin(), report.failed.end(),
                          [&](const FileProblem& problem) { return problem.path.ends_with(file); });
          EXPECT_TRUE(written == whole[file] || named) << file << " is not whole, yet not named";
        }
        EXPECT_EQ(report.Complete(), report.failed.empty());
        if (k == 0) {
          EXPECT_TRUE(report.Complete());
        }
      });
}

TEST_F(Saving, ClashesFollowTheAnswer) {
  SelectAll(tree);
  ASSERT_TRUE(Save().Complete());
  SelectAll(tree);
  choice = destination::ConflictChoice::Skip;
  const SavingReport skipped = Save();
  EXPECT_EQ(skipped.filesWritten, 0u);
  EXPECT_EQ(skipped.skipped.size(), 5u);
  SelectAll(tree);
  choice = destination::ConflictChoice::RenameAll;
  const SavingReport renamed = Save();
  EXPECT_EQ(renamed.filesWritten, 5u);
  EXPECT_EQ(test::ReadFileText(Out("DOCS/Copy(1)_a.txt")), Expected(3, 100));
  ASSERT_EQ(renamed.renamed.size(), 5u) << "a file written under another name counts as renamed";
  EXPECT_NE(renamed.renamed[0].find(" -> " + Out().string()), std::string::npos);
  EXPECT_NE(renamed.renamed[0].find("Copy(1)_"), std::string::npos) << renamed.renamed[0];
}

// A live and a deleted file of one name in one folder, as a pool scan finds them.
// The live one's blocks start at block 11, the deleted one's right after them.
void AddTwins(FileTree& tree, const std::u16string& name, std::uint32_t blocks) {
  tree.InsertScanItem({name, 40, blocks * kBlock, kTopDirectoryKey, {blocks, 11}, {}});
  tree.InsertScanItem(
      {name, kDeletedKey, blocks * kBlock, kTopDirectoryKey, {blocks, 11 + blocks}, {}});
}

TEST_F(Saving, WhatBecameOfEachFileIsItsOwnThoughTwoShareAName) {
  AddTwins(tree, u"same.txt", 1);
  SelectAll(tree);
  choice = destination::ConflictChoice::Skip;
  const SavingReport skipped = Save();
  const auto states = [&](const SavingReport& run) {
    std::vector<std::string> seen;
    for (const report::FileEntry& file : report::FilesOfRun(tree, kBase, nullptr, run))
      if (file.path == "/same.txt") seen.push_back(file.state);
    return seen;
  };
  EXPECT_EQ(states(skipped), (std::vector<std::string>{"whole", "skipped"}));
  EXPECT_TRUE(test::ReadFileText(Out("same.txt")) == Expected(11, kBlock));

  fs::remove_all(Out());
  SelectAll(tree);
  choice = destination::ConflictChoice::OverWriteAll;
  const SavingReport replaced = Save();
  EXPECT_EQ(states(replaced), (std::vector<std::string>{"replaced", "whole"}));
  EXPECT_TRUE(test::ReadFileText(Out("same.txt")) == Expected(12, kBlock))
      << "the later one replaces";
  EXPECT_TRUE(replaced.Complete());
}

// Files are made under staging names and take their own names only once closed and made durable,
// a batch at a time; what a run cut short left is removed by the next run into the folder.
class DurableFolder : public destination::LocalDestination {
 public:
  using LocalDestination::LocalDestination;
  std::optional<std::string> MakeDurable() override {
    const std::lock_guard lock(mutex);
    syncs++;
    return LocalDestination::MakeDurable();
  }
  platform::Renamed Rename(const std::string& from, const std::string& to, bool replace) override {
    {
      const std::lock_guard lock(mutex);
      renames++;
      EXPECT_TRUE(fs::exists(from)) << from;
      EXPECT_FALSE(fs::exists(to) && !replace) << to;
    }
    return LocalDestination::Rename(from, to, replace);
  }
  std::mutex mutex;
  int syncs = 0;
  int renames = 0;
};

TEST_F(Saving, FilesTakeTheirNamesInBatchesOnceDurableAndLeftoversOfAKilledRunGo) {
  for (int i = 0; i < 40; ++i)
    tree.InsertScanItem({u"many" + app::ToUtf16(std::to_string(i)), 100u + i, 9, 12, {1, 10}, {}});
  tree.InsertScanItem({u".kestrel-partial-0123-1", 99, 3, kTopDirectoryKey, {1, 11}, {}});
  fs::create_directories(Out("PICS"));
  const std::string killed = ".kestrel-partial-feedfacefeedface-7";
  std::ofstream(Out(killed)) << "cut short";
  std::ofstream(Out("PICS/" + killed)) << "cut short";
  SelectAll(tree);
  const disk::DiskReader reader(std::make_shared<disk::MemorySource>(Disk()));
  DurableFolder destination(Out().string());
  destination::FixedAnswer prompt(choice);
  const SavingSetup setup{reader, kBase, destination, filter, prompt};
  app::NoProgress quiet;
  const SavingReport report = SaveSelected(tree, setup, quiet, pause, {}, log);

  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(destination.renames, 46);
  EXPECT_GE(destination.syncs, 1);
  EXPECT_LT(destination.syncs, 10) << "one sync a batch, not one a file";
  EXPECT_EQ(test::ReadFileText(Out("PICS/many39")), Expected(10, 9));
  EXPECT_EQ(test::ReadFileText(Out("_.kestrel-partial-0123-1")), Expected(11, 3))
      << "a file named like a staging file is renamed";
  ASSERT_EQ(report.removedPartials.size(), 2u);
  for (const std::string& removed : report.removedPartials) EXPECT_TRUE(removed.ends_with(killed));
  EXPECT_FALSE(fs::exists(Out(killed)));
  EXPECT_FALSE(fs::exists(Out("PICS/" + killed)));
  for (const auto& entry : fs::recursive_directory_iterator(Out()))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".kestrel-partial-")) << entry.path();
}

// A folder that holds every write until told, and notes a file made at a path that a file still
// open has: two lanes writing one file.
class HoldingFolder : public destination::LocalDestination {
 public:
  using LocalDestination::LocalDestination;
  platform::CreatedFile CreateFile(const std::string& path, std::stop_token stop) override {
    return Held(path, LocalDestination::CreateFile(path, std::move(stop)));
  }
  platform::CreatedFile CreateNewFile(const std::string& path, std::stop_token stop) override {
    return Held(path, LocalDestination::CreateNewFile(path, std::move(stop)));
  }
  // Waits until `count` files were made, or the run ended without them.
  void WaitForFiles(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(30), [&] { return made_ >= count; });
  }
  void Release() {
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  std::vector<std::string> madeTwice;  // paths made while a file at them was open

 private:
  class HeldFile : public platform::WritableFile {
   public:
    HeldFile(std::unique_ptr<platform::WritableFile> file, HoldingFolder& folder, std::string path)
        : file_(std::move(file)), folder_(folder), path_(std::move(path)) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
      std::unique_lock lock(folder_.mutex_);
      folder_.changed_.wait(lock, [this] { return folder_.released_; });
      return file_->Write(bytes);
    }
    bool Close() override {
      const std::lock_guard lock(folder_.mutex_);
      folder_.open_.erase(folder_.open_.find(path_));
      return file_->Close();
    }
    const std::string& error() const override { return file_->error(); }

   private:
    std::unique_ptr<platform::WritableFile> file_;
    HoldingFolder& folder_;
    std::string path_;
  };

  platform::CreatedFile Held(const std::string& path, platform::CreatedFile created) {
    if (!created.file) return created;
    const std::lock_guard lock(mutex_);
    if (open_.contains(path)) madeTwice.push_back(path);
    open_.insert(path);
    made_++;
    changed_.notify_all();
    created.file = std::make_unique<HeldFile>(std::move(created.file), *this, path);
    return created;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::multiset<std::string> open_;
  int made_ = 0;
  bool released_ = false;
};

TEST_F(Saving, ALaterFileOfOneNameWaitsForTheEarlierOnesLaneAndThenReplacesIt) {
  tree = NewVolumeTree(u"VOL1");
  AddTwins(tree, u"same.bin", 3);
  SelectAll(tree);
  const disk::DiskReader reader(std::make_shared<disk::MemorySource>(Disk()));
  HoldingFolder destination(Out().string());
  destination::FixedAnswer prompt(destination::ConflictChoice::OverWriteAll);
  const SavingSetup setup{reader, kBase, destination, filter, prompt};
  std::jthread release([&] {
    destination.WaitForFiles(2);
    destination.Release();
  });
  app::NoProgress quiet;
  const SavingReport report = SaveSelected(tree, setup, quiet, pause, {}, log);
  EXPECT_EQ(destination.madeTwice, std::vector<std::string>{});
  ASSERT_EQ(report.handled.size(), 2u);
  EXPECT_TRUE(report.handled[0].replaced);
  EXPECT_FALSE(report.handled[1].replaced);
  EXPECT_TRUE(report.Complete()) << (report.failed.empty() ? "" : report.failed[0].reason);
  EXPECT_TRUE(test::ReadFileText(Out("same.bin")) == Expected(14, 3 * kBlock))
      << "the later file replaces the earlier";
}

// Requests a stop once the first bytes are on their way.
class StopOnFirstProgress : public app::ProgressObserver {
 public:
  void OnProgress(const app::Progress&) override { stop.request_stop(); }
  std::stop_source stop;
};

TEST_F(Saving, AStopKeepsWhatWasWrittenAndAPauseWaits) {
  SelectAll(tree);
  StopOnFirstProgress observer;
  const SavingReport report = Save(nullptr, observer.stop.get_token(), &observer);
  EXPECT_TRUE(report.stopped);
  EXPECT_FALSE(report.Complete());
  EXPECT_LT(report.filesWritten, 5u);

  SelectAll(tree);
  pause.Pause();
  std::jthread resume([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pause.Resume();
  });
  EXPECT_TRUE(Save().Complete());
}

// A local folder whose files take their time over each write; counts the files written at once.
class SlowFolder : public destination::LocalDestination {
 public:
  using LocalDestination::LocalDestination;
  platform::CreatedFile CreateNewFile(const std::string& path, std::stop_token stop) override {
    platform::CreatedFile created = LocalDestination::CreateNewFile(path, std::move(stop));
    if (created.file) created.file = std::make_unique<SlowFile>(std::move(created.file), *this);
    return created;
  }
  std::atomic<int> writing = 0;
  std::atomic<int> mostAtOnce = 0;
  std::chrono::milliseconds perWrite{0};

 private:
  class SlowFile : public platform::WritableFile {
   public:
    SlowFile(std::unique_ptr<platform::WritableFile> file, SlowFolder& folder)
        : file_(std::move(file)), folder_(folder) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
      const int now = ++folder_.writing;
      for (int most = folder_.mostAtOnce; now > most;)
        folder_.mostAtOnce.compare_exchange_weak(most, now);
      std::this_thread::sleep_for(folder_.perWrite);
      folder_.writing--;
      return file_->Write(bytes);
    }
    bool Close() override { return file_->Close(); }
    const std::string& error() const override { return file_->error(); }

   private:
    std::unique_ptr<platform::WritableFile> file_;
    SlowFolder& folder_;
  };
};

// A source that takes its time over each read, and notes where each read starts.
class SlowSource : public disk::MemorySource {
 public:
  using MemorySource::MemorySource;
  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    std::this_thread::sleep_for(perRead);
    starts.push_back(offset);
    return MemorySource::ReadSome(offset, buffer);
  }
  std::chrono::milliseconds perRead{0};
  std::vector<std::int64_t> starts;  // read on the run's thread only
};

class ProgressSeen : public app::ProgressObserver {
 public:
  void OnProgress(const app::Progress& progress) override { done.push_back(progress.done); }
  std::vector<std::uint64_t> done;
};

// Files of four pieces each, one after another on the disk, recovered into a folder slower than
// the disk and then from a disk slower than the folder.
TEST(SavingInTurns, FilesAreWrittenTwoAtOnceWhenTheFolderIsSlowAndReadInOrderWhenTheDiskIs) {
  constexpr std::uint64_t kPiece = 1024 * 1024;
  constexpr std::uint32_t kFileBlocks = 4 * kPiece / kBlock;
  constexpr int kFiles = 4;
  FileTree tree = NewVolumeTree(u"VOL1");
  for (std::uint32_t i = 0; i < kFiles; ++i) {
    tree.InsertScanItem({u"f" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u".bin",
                         30 + i,
                         4 * kPiece - i,
                         kTopDirectoryKey,
                         {kFileBlocks, 1 + i * kFileBlocks},
                         {}});
  }
  std::vector<std::uint8_t> disk(kBase + kFiles * 4 * kPiece);
  for (std::size_t i = 0; i < disk.size(); ++i) disk[i] = ByteAt(i);
  const auto source = std::make_shared<SlowSource>(disk);
  test::ScratchFolder folder{"in-turns"};
  filter::FilterList filter;
  destination::FixedAnswer prompt(destination::ConflictChoice::RenameAll);
  app::PauseGate pause;
  app::LogReport log((folder / "log.txt").string());
  ProgressSeen progress;
  const auto save = [&](SlowFolder& destination) {
    SelectAll(tree);
    const SavingSetup setup{disk::DiskReader(source), kBase, destination, filter, prompt};
    return SaveSelected(tree, setup, progress, pause, {}, log);
  };

  SlowFolder slowFolder((folder / "slow-folder").string());
  slowFolder.perWrite = std::chrono::milliseconds(20);
  const SavingReport written = save(slowFolder);
  EXPECT_TRUE(written.Complete());
  EXPECT_EQ(slowFolder.mostAtOnce, 2);
  EXPECT_TRUE(std::ranges::is_sorted(progress.done)) << "progress never goes back";
  ASSERT_EQ(written.handled.size(), std::size_t{kFiles});
  for (std::uint32_t i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(i) + ".bin";
    EXPECT_TRUE(written.handled[i].target.ends_with(name)) << "reported in file order";
    EXPECT_EQ(test::ReadFileText(folder / "slow-folder" / name),
              Expected(1 + i * kFileBlocks, 4 * kPiece - i));
  }

  source->starts.clear();
  source->perRead = std::chrono::milliseconds(30);
  SlowFolder fastFolder((folder / "slow-disk").string());
  EXPECT_TRUE(save(fastFolder).Complete());
  EXPECT_TRUE(std::ranges::is_sorted(source->starts))
      << "no file begun before the one before is read";
}

}  // namespace
}  // namespace kestrel::volume
