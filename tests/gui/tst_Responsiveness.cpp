// SPDX-License-Identifier: Apache-2.0
// How long the scan pages' views take on large scans (a folder of 100,000 files, of a volume and
// of a pool, and a folder of 100,000 sub-folders), how the folder tree grows while a scan of
// 1,000,000 files runs, and the longest pause of the event loop while a pool scan and a disk scan
// read a 4 GiB image. The figures are printed, not asserted: machines differ, and a benchmark that
// fails a build on a busy machine helps no one.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <thread>

#include "Driving.h"
#include "app/LogReport.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "gui/app/ProgramSetup.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/volume/TreeGrowth.h"
#include "gui/volume/VolumeBrowser.h"
#include "pool/PoolScanner.h"
#include "pool/PoolTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::guitest {
namespace {

constexpr int kEntries = 100000;

std::u16string Numbered(const char* prefix, int n) {
  const std::string text = prefix + std::to_string(n);
  return {text.begin(), text.end()};
}

volume::FileTree FolderOfFiles() {
  volume::FileTree tree = volume::NewVolumeTree(u"BIG");
  for (int i = 0; i < kEntries; ++i) {
    tree.InsertScanItem(
        {Numbered("file", i) + u".txt", 1000u + i, 4096, volume::kTopDirectoryKey, {1, 10}, {}});
  }
  return tree;
}

volume::FileTree FolderOfFolders() {
  volume::FileTree tree = volume::NewVolumeTree(u"WIDE");
  for (int i = 0; i < kEntries; ++i)
    tree.InsertScanItem({Numbered("dir", i), 1000u + i, 0, volume::kTopDirectoryKey, {}, {}});
  return tree;
}

// A pool of 100,000 files in one volume, as a pool scan files them.
volume::FileTree PoolOfFiles() {
  volume::FileTree tree = pool::NewPoolTree();
  const volume::FolderId vol = tree.AddFolderItem(
      tree.Top(), tree.NewEntryRecords({u"VOL", 200, 0, 0, {}, {}}, true), false);
  for (int i = 0; i < kEntries; ++i) {
    tree.AppendFile(vol,
                    tree.NewEntryRecords(
                        {Numbered("file", i) + u".txt", 1000u + i, 4096, 200, {1, 10}, {}}, false));
  }
  return tree;
}

// The longest time the event loop went without turning, while it is being watched.
class LatencyProbe {
 public:
  LatencyProbe() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      worst_ = std::max(worst_, now - last_);
      last_ = now;
    });
    clock_.start();
    timer_.start(5);
  }
  qint64 Worst() const { return worst_; }
  qint64 Elapsed() const { return clock_.elapsed(); }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 worst_ = 0;
};

// A 4 GiB disk image with one pool that fills it (the layout of demo disk 1, made larger).
constexpr const char* kBigLayout = R"({"disks":[{"sizeMiB":4096,"partitions":[
  {"startSector":2048,"sizeSectors":8384512,"pool":{"name":"SPARE","volumes":[{"names":["APPS"],
   "entries":[{"path":"/UTILS/readme.txt","content":"Installers.\r\n"},
              {"path":"/UTILS/client32.exe","size":53248}]}]}},
  {"sizeSectors":2048}]}]})";

QString MakeBigImage(const QTemporaryDir& folder) {
  QFile layout(folder.filePath(QStringLiteral("big.json")));
  if (!layout.open(QIODevice::WriteOnly) || layout.write(kBigLayout) < 0) return {};
  layout.close();
  const QString image = folder.filePath(QStringLiteral("big.img"));
  QProcess mkimage;
  mkimage.start(QStringLiteral(KESTREL_MKIMAGE), {"--layout", layout.fileName(), "--out", image});
  return mkimage.waitForFinished(120000) && mkimage.exitCode() == 0 ? image : QString();
}

// Milliseconds that the action and the repaint it causes take.
qint64 Measure(QAbstractItemView* view, const std::function<void()>& action) {
  QElapsedTimer clock;
  clock.start();
  action();
  view->viewport()->repaint();
  return clock.elapsed();
}

void Report(const char* what, qint64 milliseconds) {
  qInfo("RESPONSIVENESS %s: %lld ms", what, static_cast<long long>(milliseconds));
}

}  // namespace

class ResponsivenessTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gui::PrepareProgram(*qApp); }
  void aFolderOfOneHundredThousandFilesLists();
  void aFolderOfOneHundredThousandFoldersExpands();
  void aPoolFolderOfOneHundredThousandFilesLists();
  void theTreeGrowsWhileAScanOfAMillionFilesRuns();
  void theWindowAnswersDuringScansOfAFourGigabyteImage();
};

void ResponsivenessTest::aFolderOfOneHundredThousandFilesLists() {
  volume::FileTree tree = FolderOfFiles();
  gui::VolumeBrowser browser(nullptr);
  browser.resize(1000, 700);
  browser.show();
  QVERIFY(QTest::qWaitForWindowExposed(&browser));
  QTableView* list = browser.ListView();
  Report("list a folder of 100,000 files", Measure(list, [&] { browser.Attach(&tree); }));
  QCOMPARE(list->model()->rowCount(), kEntries);
  Report("scroll to its last file", Measure(list, [&] { list->scrollToBottom(); }));
  Report("tick its last file",
         Measure(list, [&] { ClickCheck(list, list->model()->index(kEntries - 1, 0)); }));
  QCOMPARE(tree.selection.selectedFileCount, 1);
  Report("select all 100,000 files", Measure(list, [&] { browser.SelectAll(); }));
  QCOMPARE(tree.selection.selectedFileCount, kEntries);
}

void ResponsivenessTest::aFolderOfOneHundredThousandFoldersExpands() {
  volume::FileTree tree = FolderOfFolders();
  gui::VolumeBrowser browser(nullptr);
  browser.resize(1000, 700);
  browser.show();
  QVERIFY(QTest::qWaitForWindowExposed(&browser));
  QTreeView* folders = browser.TreeView();
  Report("show a tree of 100,000 folders, top expanded",
         Measure(folders, [&] { browser.Attach(&tree); }));
  const QModelIndex top = folders->model()->index(0, 0);
  QCOMPARE(folders->model()->rowCount(top), kEntries);
  folders->collapse(top);
  folders->viewport()->repaint();
  Report("expand the folder of 100,000 folders", Measure(folders, [&] { folders->expand(top); }));
  Report("scroll to its last folder", Measure(folders, [&] { folders->scrollToBottom(); }));
  Report("tick the top folder (100,000 sub-folders)",
         Measure(folders, [&] { ClickCheck(folders, top); }));
  QCOMPARE(tree.Folder(tree.FolderItemCount() - 1).check, volume::CheckState::Checked);
  QVERIFY2(folders->isExpanded(top), "a tick opens or closes nothing");
  Report("unselect all 100,000 folders", Measure(folders, [&] { browser.UnselectAll(); }));
  QVERIFY2(folders->isExpanded(top), "a selection change keeps what is open");
  QCOMPARE(tree.Folder(tree.FolderItemCount() - 1).check, volume::CheckState::Unchecked);
}

void ResponsivenessTest::aPoolFolderOfOneHundredThousandFilesLists() {
  volume::FileTree tree = PoolOfFiles();
  gui::VolumeBrowser browser(nullptr);
  browser.resize(1000, 700);
  browser.show();
  QVERIFY(QTest::qWaitForWindowExposed(&browser));
  QTreeView* folders = browser.TreeView();
  Report("show a pool tree", Measure(folders, [&] { browser.Attach(&tree); }));
  const QModelIndex vol = folders->model()->index(0, 0, folders->model()->index(0, 0));
  Report("list a pool's volume folder of 100,000 files",
         Measure(browser.ListView(), [&] { folders->setCurrentIndex(vol); }));
  QCOMPARE(browser.ListView()->model()->rowCount(), kEntries);
}

// A scan's worker files 1,000,000 files in 10,000 folders; the page's tree follows it in batches.
void ResponsivenessTest::theTreeGrowsWhileAScanOfAMillionFilesRuns() {
  constexpr int kFiles = 1000000;
  constexpr int kFilesPerFolder = 100;
  volume::FileTree scanned = volume::NewVolumeTree(u"HUGE");
  app::NoProgress quiet;
  gui::TreeGrowthObserver growth(quiet);
  gui::LiveFolders live;
  gui::VolumeBrowser browser(nullptr);
  browser.resize(1000, 700);
  browser.show();
  QVERIFY(QTest::qWaitForWindowExposed(&browser));
  browser.ShowLive(&live.Tree());
  int batches = 0;
  QObject::connect(&growth, &gui::TreeGrowthObserver::grown, [&](const gui::FolderBatch& batch) {
    live.Add(batch);
    browser.LiveGrown();
    browser.TreeView()->viewport()->repaint();
    ++batches;
  });
  LatencyProbe probe;
  std::jthread scan([&] {
    growth.Watch(&scanned);
    for (int i = 0; i < kFiles; ++i) {
      if (i % kFilesPerFolder == 0)
        scanned.InsertScanItem(
            {Numbered("dir", i), 500000000u + i, 0, volume::kTopDirectoryKey, {}, {}});
      scanned.InsertScanItem({Numbered("f", i) + u".txt",
                              1000u + i,
                              10,
                              500000000u + (i / kFilesPerFolder) * kFilesPerFolder,
                              {1, 10},
                              {}});
      if (i % 1000 == 999) growth.OnProgress({static_cast<std::uint64_t>(i), kFiles});
    }
    growth.Watch(nullptr);
  });
  QVERIFY(QTest::qWaitFor(
      [&] { return live.Tree().FolderItemCount() == kFiles / kFilesPerFolder + 1; }, 600000));
  Report("scan of 1,000,000 files: longest pause of the window while its tree grew", probe.Worst());
  qInfo("RESPONSIVENESS scan of 1,000,000 files: %d batches of folders added", batches);
  scan.join();
  QCOMPARE(live.Tree().FolderItemCount(), scanned.FolderItemCount());
  const QModelIndex top = browser.TreeView()->model()->index(0, 0);
  QCOMPARE(browser.TreeView()->model()->rowCount(top), kFiles / kFilesPerFolder);
  const QModelIndex last = browser.TreeView()->model()->index(kFiles / kFilesPerFolder - 1, 0, top);
  browser.TreeView()->setCurrentIndex(last);
  Report("hand the live tree over to the finished one",
         Measure(browser.TreeView(), [&] { browser.Attach(&scanned); }));
  QVERIFY2(browser.TreeView()->isExpanded(top), "what was open stays open");
  QCOMPARE(browser.ListView()->model()->rowCount(), kFilesPerFolder);
}

void ResponsivenessTest::theWindowAnswersDuringScansOfAFourGigabyteImage() {
  QTemporaryDir folder;
  const QString image = MakeBigImage(folder);
  if (image.isEmpty()) QSKIP("SKIPPED: the 4 GiB image could not be made");
  const app::LogReport log(folder.filePath(QStringLiteral("log.txt")).toStdString());
  const disk::OpenedSource opened = disk::OpenSource(image.toStdString());
  const disk::DiskEntry entry = disk::DiscoverDisk(0, opened.reader, image.toStdString(), log);
  QCOMPARE(entry.pools.size(), std::size_t{1});
  {
    gui::CpoolIterator page(pool::PoolOnDisk(opened.reader, entry.pools.front()), log, nullptr);
    LatencyProbe probe;
    page.open();
    QVERIFY(WorkDone(&page, 600000));
    Report("pool scan of a 4 GiB image: longest pause of the window", probe.Worst());
    Report("pool scan of a 4 GiB image: time taken", probe.Elapsed());
  }
  {
    gui::CScanDisk page(opened.reader, image.toStdString(), log, nullptr);
    LatencyProbe probe;
    page.open();
    QVERIFY(WorkDone(&page, 600000));
    Report("disk scan of a 4 GiB image: longest pause of the window", probe.Worst());
    Report("disk scan of a 4 GiB image: time taken", probe.Elapsed());
  }
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::ResponsivenessTest)
#include "tst_Responsiveness.moc"
