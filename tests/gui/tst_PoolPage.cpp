// SPDX-License-Identifier: Apache-2.0
// The pool page and the disk scan page on the demo disks: reached from the media page, from the
// disk scan page and from the Resume Recovery tab; the deleted volume marked; files recovered byte
// for byte, each volume in its own folder; a stopped disk scan; saving on leaving; Stop during the
// replay of a saved scan.
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

#include "DemoProgram.h"
#include "Driving.h"
#include "GatedSource.h"
#include "app/LogReport.h"
#include "disk/MediaDiscovery.h"
#include "disk/MemorySource.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/ProgramSetup.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/volume/LeafIterator.h"
#include "pool/PoolScanner.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/ScanFileWriter.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;

// Recover with the destination typed into the pool page's destination dialog.
bool Recover(QWidget* page, const QString& folder) {
  bool recovered = false;
  WhenModal("CPoolSaving", [folder](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("localFolderEdit")->setText(folder);
    Click(dialog, "okButton");
  });
  WhenModal("RecoveredMessage", [&recovered](QWidget* notice) {
    recovered = LabelText(notice, "noticeText").startsWith("Recovered Successfully\nWritten: ");
    Click(notice, "okButton");
  });
  return Click(page, "recoverButton") && QTest::qWaitFor([&] { return recovered; }, kTimeout);
}

QString RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(QStringLiteral(KESTREL_CLI), arguments);
  if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
    return QString::fromUtf8(cli.readAllStandardError()) + " ";
  return {};
}

}  // namespace

class PoolPageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void cleanupTestCase();
  void theMediaPageOpensThePoolPageWithTheDeletedVolumeMarked();
  void filesOfALiveAndADeletedVolumeAreRecoveredEachInItsFolder();
  void aDiskWithoutBootSectorIsScannedAndItsPoolRecovered();
  void aDiskScanStoppedInTheMiddleKeepsWhatItFound();
  void poolAndDiskImagesAreResumedFromTheResumeTab();
  void leavingAsksToSaveAndTheSavedScanReplaysOnThePoolPage();
  void stopDuringAReplayKeepsWhatWasReplayed();
  void aSavedScanWhoseSourceIsGoneIsNotRecovered();
  void helpOpensTheManualAtThePagesTopic();
  void aPoolWithoutFilesSaysSoOnRecover();
  void theTreeFillsWhileTheScanRuns();
  void unreadableSectorsMakeThePoolScanSayItIsIncomplete();
  void theResumeDialogFiltersSavedScansAndImages();

 private:
  // Fresh Recovery, the media page, and Continue on the entry with that label.
  QWidget* OpenFromMediaPage(const QString& label);
  gui::CpoolIterator* ScannedArchivePool();
  QWidget* Resume(const QString& path);

  DemoProgram program_;
};

void PoolPageTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
}

void PoolPageTest::init() {
  program_.OpenMainWindow();
}

void PoolPageTest::cleanup() {
  program_.CloseMainWindow();
}

void PoolPageTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
}

QWidget* PoolPageTest::OpenFromMediaPage(const QString& label) {
  if (!Click(program_.main.get(), "freshRecoveryButton")) return nullptr;
  auto* media = FindWindow<gui::CInitialInfo>();
  if (!media) return nullptr;
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  tree->setCurrentItem(TreeEntry(tree, label));
  if (!Click(media, "continueButton")) return nullptr;
  return QApplication::activeModalWidget();
}

gui::CpoolIterator* PoolPageTest::ScannedArchivePool() {
  auto* page = qobject_cast<gui::CpoolIterator*>(OpenFromMediaPage("Pool:ARCHIVE"));
  return page && WorkDone(page) ? page : nullptr;
}

QWidget* PoolPageTest::Resume(const QString& path) {
  QTabBar* bar = program_.main->findChild<QTabWidget*>("tabs")->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  ChooseFile("resumeFileDialog", path);
  if (!Click(program_.main.get(), "browseButton") || !Click(program_.main.get(), "startButton"))
    return nullptr;
  return QApplication::activeModalWidget();
}

void PoolPageTest::theMediaPageOpensThePoolPageWithTheDeletedVolumeMarked() {
  gui::CpoolIterator* page = ScannedArchivePool();
  QVERIFY(page);
  QCOMPARE(LabelText(page, "statusText"), QStringLiteral("Scanning completed"));
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex top = tree->model()->index(0, 0);
  QCOMPARE(top.data().toString(), QStringLiteral("pool"));
  QVERIFY(ChildNamed(tree->model(), top, "BACKUP").isValid());
  QVERIFY2(ChildNamed(tree->model(), top, "OLDPROJ (deleted)").isValid(),
           "the volume the volume directory no longer lists is marked");
  const QAbstractItemModel* rows = page->findChild<QTableView*>("fileList")->model();
  for (const char* volume : {"BACKUP", "OLDPROJ"})
    QVERIFY2(ChildNamed(rows, {}, volume).isValid(), "the list names the volume rows");
  QVERIFY(program_.disks->LogText().contains("\nStarted Scanning Pool:ARCHIVE"));
  QVERIFY(program_.disks->LogText().contains("\nSuccessfully scanned pool"));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "backButton"));
  QTRY_VERIFY(FindWindow<gui::CInitialInfo>());
  QVERIFY(Click(FindWindow<gui::CInitialInfo>(), "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void PoolPageTest::filesOfALiveAndADeletedVolumeAreRecoveredEachInItsFolder() {
  gui::CpoolIterator* page = ScannedArchivePool();
  QVERIFY(page);
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex top = tree->model()->index(0, 0);
  ClickCheck(tree, ChildNamed(tree->model(), top, "BACKUP"));
  ClickCheck(tree, ChildNamed(tree->model(), top, "OLDPROJ (deleted)"));
  const QString out = program_.disks->Scratch("pool-recovered");
  QVERIFY(Recover(page, out));
  QCOMPARE(FolderContents(out + "/BACKUP"),
           FolderContents(program_.disks->ExpectedFolder("ARCHIVE", "BACKUP")));
  QCOMPARE(FolderContents(out + "/OLDPROJ"),
           FolderContents(program_.disks->ExpectedFolder("ARCHIVE", "OLDPROJ")));
  QVERIFY(!FolderContents(out + "/OLDPROJ").isEmpty());
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void PoolPageTest::aDiskWithoutBootSectorIsScannedAndItsPoolRecovered() {
  auto* scan = qobject_cast<gui::CScanDisk*>(OpenFromMediaPage("Disk1"));
  QVERIFY2(scan, "Continue on a disk opens the disk scan page");
  QVERIFY(WorkDone(scan));
  auto* tree = scan->findChild<QTreeWidget*>("diskTree");
  QTreeWidgetItem* spare = TreeEntry(tree, "Pool :    SPARE");
  QVERIFY(spare);
  QVERIFY(TreeEntry(tree, "Volume :   APPS"));
  tree->setCurrentItem(spare);
  QVERIFY(Click(scan, "continueButton"));
  auto* page = FindWindow<gui::CpoolIterator>();
  QVERIFY(page);
  QVERIFY(WorkDone(page));
  QVERIFY(Click(page, "selectAllButton"));
  const QString out = program_.disks->Scratch("spare-recovered");
  QVERIFY(Recover(page, out));
  QCOMPARE(FolderContents(out + "/APPS"),
           FolderContents(program_.disks->ExpectedFolder("SPARE", "APPS")));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "backButton"));
  QTRY_VERIFY(scan->isVisible());
  QVERIFY(Click(scan, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void PoolPageTest::aDiskScanStoppedInTheMiddleKeepsWhatItFound() {
  auto gate =
      std::make_shared<GatedSource>(disk::OpenSource(program_.disks->Disk(0).toStdString()).reader);
  gate->Close();
  gui::CScanDisk page(disk::DiskReader(gate), program_.disks->Disk(0).toStdString(), *program_.log,
                      nullptr);
  page.show();
  auto* tree = page.findChild<QTreeWidget*>("diskTree");
  QVERIFY(QTest::qWaitFor(
      [&] {
        if (gate->Waiting()) gate->Allow(1);
        return TreeEntry(tree, "Pool :    DATA") != nullptr;
      },
      kTimeout));
  QVERIFY(!IsEnabled(&page, "homeButton"));
  AnswerModal("PressesStopScan", "yesButton");
  QVERIFY(Click(&page, "stopButton"));
  gate->Open();
  QVERIFY(WorkDone(&page));
  QVERIFY(TreeEntry(tree, "Volume :   VOL1"));
  QVERIFY2(!TreeEntry(tree, "Pool :    ARCHIVE"), "the search ended where it was stopped");
  tree->setCurrentItem(TreeEntry(tree, "Pool :    DATA"));
  QVERIFY(IsEnabled(&page, "continueButton"));
  QVERIFY(IsEnabled(&page, "homeButton"));
}

void PoolPageTest::poolAndDiskImagesAreResumedFromTheResumeTab() {
  const QString poolImage = program_.disks->Scratch("archive-pool.img");
  const QString diskImage = program_.disks->Scratch("disk1-copy.img");
  QCOMPARE(RunCli({"image", "--disk", "0", "--pool", "ARCHIVE", "--to", poolImage}), QString());
  QCOMPARE(RunCli({"image", "--disk", "1", "--to", diskImage}), QString());
  const QByteArray poolBytes = FileBytes(poolImage);
  const QByteArray diskBytes = FileBytes(diskImage);

  auto* pool = qobject_cast<gui::CpoolIterator*>(Resume(poolImage));
  QVERIFY2(pool, "a pool image opens the pool page");
  QVERIFY(WorkDone(pool));
  auto* folders = pool->findChild<QTreeView*>("folderTree");
  const QModelIndex top = folders->model()->index(0, 0);
  QVERIFY(ChildNamed(folders->model(), top, "BACKUP").isValid());
  QVERIFY(ChildNamed(folders->model(), top, "OLDPROJ (deleted)").isValid());
  QVERIFY(Click(pool, "selectAllButton"));
  const QString out = program_.disks->Scratch("pool-image-recovered");
  QVERIFY(Recover(pool, out));
  QCOMPARE(FolderContents(out + "/BACKUP"),
           FolderContents(program_.disks->ExpectedFolder("ARCHIVE", "BACKUP")));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(pool, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());

  auto* scan = qobject_cast<gui::CScanDisk*>(Resume(diskImage));
  QVERIFY2(scan, "a disk image opens the disk scan page");
  QVERIFY(WorkDone(scan));
  auto* tree = scan->findChild<QTreeWidget*>("diskTree");
  QVERIFY(TreeEntry(tree, "Pool :    SPARE"));
  QVERIFY(Click(scan, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
  QVERIFY2(FileBytes(poolImage) == poolBytes && FileBytes(diskImage) == diskBytes,
           "the images are never written");
}

void PoolPageTest::leavingAsksToSaveAndTheSavedScanReplaysOnThePoolPage() {
  gui::CpoolIterator* page = ScannedArchivePool();
  QVERIFY(page);
  const QString total = LabelText(page, "totalText");
  const QString chosen = program_.disks->Scratch("archive-scan");
  AnswerModal("savescanDialog", "yesButton");
  ChooseFile("saveScanFileDialog", chosen);
  AnswerModal("ScanSaved", "okButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
  QVERIFY(QFileInfo::exists(chosen + ".IMG"));

  auto* resumed = qobject_cast<gui::CpoolIterator*>(Resume(chosen + ".IMG"));
  QVERIFY2(resumed, "a saved pool scan replays on the pool page");
  QVERIFY(WorkDone(resumed));
  QCOMPARE(LabelText(resumed, "totalText"), total);
  auto* folders = resumed->findChild<QTreeView*>("folderTree");
  QVERIFY(
      ChildNamed(folders->model(), folders->model()->index(0, 0), "OLDPROJ (deleted)").isValid());
  QVERIFY2(Click(resumed, "homeButton"), "a resumed scan is not asked about again");
  QTRY_VERIFY(program_.main->isVisible());
}

void PoolPageTest::stopDuringAReplayKeepsWhatWasReplayed() {
  constexpr std::uint32_t kFiles = 400000;
  volume::FileTree tree = volume::NewVolumeTree(u"BIG");
  for (std::uint32_t i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    tree.InsertScanItem({{name.begin(), name.end()}, 1000u + i, 10, 127, {1, 10 + i}, {}});
  }
  const std::string path = program_.disks->Scratch("big-scan.IMG").toStdString();
  // The blocks of pool DATA, whose partition header is at sector 2048, begin 0x5000 after it.
  constexpr std::uint64_t kDataPoolBase = 2048 * 512 + 0x5000;
  QVERIFY(savedscan::WriteScanFile(
              tree, savedscan::ScanKind::Volume,
              {"Volume:BIG", program_.disks->Disk(0).toStdString(), kDataPoolBase}, path)
              .ok());
  auto saved = savedscan::ReadScanFile(path, *program_.log);
  QVERIFY(saved.ok());
  gui::LeafIterator page(std::move(saved.value()), *program_.log, nullptr);
  page.show();
  AnswerModal("PressesStopScan", "yesButton");
  QVERIFY(Click(&page, "stopButton"));
  QVERIFY(WorkDone(&page));
  QCOMPARE(LabelText(&page, "statusText"), QStringLiteral("Scanned Data"));
  QVERIFY2(!LabelText(&page, "totalText").contains(QString::number(kFiles)),
           qPrintable(LabelText(&page, "totalText")));
}

// Recovering from a source that is gone would replace the files at the destination with zeros:
// the page says why it cannot, and nothing is asked or written.
void PoolPageTest::aSavedScanWhoseSourceIsGoneIsNotRecovered() {
  volume::FileTree tree = volume::NewVolumeTree(u"VOL1");
  tree.InsertScanItem({u"a.txt", 1000, 10, 127, {1, 10}, {}});
  const std::string path = program_.disks->Scratch("orphan-scan.IMG").toStdString();
  const std::string gone = program_.disks->Scratch("moved.img").toStdString();
  QVERIFY(savedscan::WriteScanFile(tree, savedscan::ScanKind::Volume, {"Volume:VOL1", gone, 0x5000},
                                   path)
              .ok());
  auto saved = savedscan::ReadScanFile(path, *program_.log);
  QVERIFY(saved.ok());
  gui::LeafIterator page(std::move(saved.value()), *program_.log, nullptr);
  page.show();
  QVERIFY(WorkDone(&page));
  QVERIFY2(LabelText(&page, "statusText").contains("the scan's source cannot be read"),
           qPrintable(LabelText(&page, "statusText")));
  QVERIFY(Click(&page, "selectAllButton"));
  QString refusal;
  WhenModal("SourceUnreadable", [&](QWidget* notice) {
    refusal = LabelText(notice, "noticeText");
    Click(notice, "okButton");
  });
  QVERIFY(Click(&page, "recoverButton"));
  QTRY_VERIFY(!refusal.isEmpty());
  QVERIFY2(refusal.contains(QString::fromStdString(gone)), qPrintable(refusal));
}

void PoolPageTest::helpOpensTheManualAtThePagesTopic() {
  qputenv("KESTREL_NSS_HELP", KESTREL_HELP_DIR);
  gui::CpoolIterator* page = ScannedArchivePool();
  QVERIFY(page);
  QVERIFY(Click(page, "helpButton"));
  auto* help = FindWindow<gui::HelpWindow>();
  QVERIFY2(help, "the manual opens beside the page");
  QCOMPARE(help->windowTitle(), QStringLiteral("Pool page"));
  QVERIFY(help->Browser()->toPlainText().contains("(deleted)"));
  help->close();
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

// A pool whose only volume holds nothing: its volume is found, its files are not.
void PoolPageTest::aPoolWithoutFilesSaysSoOnRecover() {
  const QString layout = program_.disks->Scratch("empty.json");
  QFile file(layout);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(R"({"disks":[{"partitions":[{"startSector":2048,"sizeSectors":8192,
    "pool":{"name":"EMPTY","volumes":[{"names":["NOTHING"],"entries":[]}]}},
    {"sizeSectors":2048}]}]})");
  file.close();
  const QString image = program_.disks->Scratch("empty.img");
  QProcess mkimage;
  mkimage.start(QStringLiteral(KESTREL_MKIMAGE), {"--layout", layout, "--out", image});
  QVERIFY(mkimage.waitForFinished(60000) && mkimage.exitCode() == 0);
  const QByteArray before = FileBytes(image);
  const disk::OpenedSource opened = disk::OpenSource(image.toStdString());
  const disk::DiskEntry entry =
      disk::DiscoverDisk(0, opened.reader, image.toStdString(), *program_.log);
  QCOMPARE(entry.pools.size(), std::size_t{1});
  gui::CpoolIterator page(pool::PoolOnDisk(opened.reader, entry.pools.front()), *program_.log,
                          nullptr);
  page.show();
  QVERIFY(WorkDone(&page));
  QVERIFY(Click(&page, "selectAllButton"));
  QString said;
  WhenModal("NoFilesFound", [&](QWidget* notice) {
    said = LabelText(notice, "noticeText");
    Click(notice, "okButton");
  });
  QVERIFY(Click(&page, "recoverButton"));
  QCOMPARE(said, QStringLiteral("No files found for recovery. Scan the pool again"));
  QVERIFY2(FileBytes(image) == before, "the source is never written");
}

// The scan is let through one read at a time: its volumes appear in the tree before it ends.
void PoolPageTest::theTreeFillsWhileTheScanRuns() {
  const disk::OpenedSource opened = disk::OpenSource(program_.disks->Disk(0).toStdString());
  const disk::DiskEntry entry =
      disk::DiscoverDisk(0, opened.reader, program_.disks->Disk(0).toStdString(), *program_.log);
  auto gate = std::make_shared<GatedSource>(opened.reader);
  gate->Close();
  gui::CpoolIterator page(pool::PoolOnDisk(disk::DiskReader(gate), entry.pools.at(1)),
                          *program_.log, nullptr);
  page.show();
  auto* tree = page.findChild<QTreeView*>("folderTree");
  const auto volumesShown = [tree] {
    return tree->model()->rowCount(tree->model()->index(0, 0)) > 0;
  };
  QVERIFY(QTest::qWaitFor(
      [&] {
        if (gate->Waiting()) gate->Allow(1);
        QTest::qWait(20);
        return volumesShown();
      },
      kTimeout));
  QVERIFY2(page.findChild<QPushButton*>("stopButton")->isVisible(), "the scan still runs");
  QVERIFY2(!IsEnabled(&page, "selectAllButton"), "a running scan's tree is looked at, not ticked");
  const QModelIndex top = tree->model()->index(0, 0);
  tree->expand(tree->model()->index(0, 0, top));
  gate->Open();
  QVERIFY(WorkDone(&page));
  QVERIFY(ChildNamed(tree->model(), top, "OLDPROJ (deleted)").isValid());
  QVERIFY(tree->isExpanded(top));
  for (int row = 0; row < tree->model()->rowCount(top); ++row)
    QVERIFY2(!tree->isExpanded(tree->model()->index(row, 0, top)), "a finished scan collapses");
  QVERIFY2(page.findChild<QPushButton*>("logButton"), "the pool page opens the log report");
}

// A sector of the pool that cannot be read may have held files: the page says the scan is
// incomplete rather than "Scanning completed".
void PoolPageTest::unreadableSectorsMakeThePoolScanSayItIsIncomplete() {
  const QByteArray bytes = FileBytes(program_.disks->Disk(0));
  const disk::OpenedSource opened = disk::OpenSource(program_.disks->Disk(0).toStdString());
  const disk::DiskEntry entry =
      disk::DiscoverDisk(0, opened.reader, program_.disks->Disk(0).toStdString(), *program_.log);
  const disk::PoolEntry& archive = entry.pools.at(1);
  const std::uint64_t bad = static_cast<std::uint64_t>(archive.node.start) / 512 + 4000;
  auto faulty = std::make_shared<disk::FaultyMemorySource>(
      std::vector<std::uint8_t>(bytes.begin(), bytes.end()), std::set<std::uint64_t>{bad});
  gui::CpoolIterator page(pool::PoolOnDisk(disk::DiskReader(faulty), archive), *program_.log,
                          nullptr);
  page.show();
  QVERIFY(WorkDone(&page));
  QCOMPARE(LabelText(&page, "statusText"),
           QStringLiteral("1 sectors could not be read: what they hold is missing; the scan is "
                          "incomplete"));
}

void PoolPageTest::theResumeDialogFiltersSavedScansAndImages() {
  QTabBar* bar = program_.main->findChild<QTabWidget*>("tabs")->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  QStringList filters;
  WhenModal("resumeFileDialog", [&](QWidget* dialog) {
    filters = static_cast<QFileDialog*>(dialog)->nameFilters();
    static_cast<QDialog*>(dialog)->reject();
  });
  QVERIFY(Click(program_.main.get(), "browseButton"));
  QCOMPARE(filters.value(0), QStringLiteral("(*.IMG *.img)"));
  QVERIFY2(filters.value(1).contains("*.E01") && filters.value(1).contains("*.vmdk"),
           qPrintable(filters.join('\n')));
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::PoolPageTest)
#include "tst_PoolPage.moc"
