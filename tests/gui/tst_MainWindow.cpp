// SPDX-License-Identifier: Apache-2.0
// The road through the program: the main window and its tabs, the media page on the demo disks,
// the volume page opened from it and left again, and a scan saved and resumed from the Resume
// Recovery tab.
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "DemoProgram.h"
#include "DemoVolume.h"
#include "Driving.h"
#include "app/LogReport.h"
#include "gui/app/AboutBox.h"
#include "gui/app/CKestrelNSSRecoveryApp.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"
#include "gui/app/ProgramSetup.h"
#include "gui/app/SplashScreen.h"
#include "gui/common/PageTitleBar.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/volume/LeafIterator.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;

void ClickTab(QWidget* window, int tab) {
  QTabBar* bar = window->findChild<QTabWidget*>("tabs")->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

bool ScanDone(QWidget* page) {
  return QTest::qWaitFor(
      [page] { return !page->findChild<QPushButton*>("stopButton")->isVisible(); }, kTimeout);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void cleanupTestCase();
  void theStartButtonShowsOnlyWithTheResumeTab();
  void theMediaPageListsTheDemoDisks();
  void homeFromTheVolumePageShowsTheMainWindowAgain();
  void backShowsTheMediaPageAndItsCloseEndsTheProgram();
  void closingTheVolumePageEndsTheProgram();
  void aScanSavedIsResumedFromTheResumeTab();
  void aDiskImageOnTheResumeTabOpensTheDiskScanPage();
  void anEvidenceFileOnTheResumeTabOpensTheDiskScanPage();
  void theApplicationObjectOpensAndClosesTheLog();
  void theSplashClosesOnAKey();
  void theAboutBoxNamesTheMachine();
  void aMissingHelpFileIsSaid();

 private:
  // Fresh Recovery up to the scanned volume page of VOL1.
  gui::LeafIterator* OpenVolumeThroughMediaPage();
  // The image chosen on the Resume Recovery tab opens the disk scan page, which finds VOL1.
  void ResumeOpensTheDiskScanPage(const QString& image);

  DemoProgram program_;
};

void MainWindowTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
}

void MainWindowTest::init() {
  program_.OpenMainWindow();
}

void MainWindowTest::cleanup() {
  program_.CloseMainWindow();
}

void MainWindowTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
}

gui::LeafIterator* MainWindowTest::OpenVolumeThroughMediaPage() {
  if (!Click(program_.main.get(), "freshRecoveryButton")) return nullptr;
  auto* media = FindWindow<gui::CInitialInfo>();
  if (!media || program_.main->isVisible()) return nullptr;
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  tree->setCurrentItem(TreeEntry(tree, "Volume:VOL1"));
  if (!Click(media, "continueButton")) return nullptr;
  auto* page = FindWindow<gui::LeafIterator>();
  if (!page || media->isVisible() || !ScanDone(page)) return nullptr;
  return page;
}

void MainWindowTest::theStartButtonShowsOnlyWithTheResumeTab() {
  auto* start = program_.main->findChild<QPushButton*>("startButton");
  QVERIFY(!start->isVisible());
  ClickTab(program_.main.get(), 1);
  QVERIFY(start->isVisible());
  QVERIFY(program_.main->findChild<QWidget*>("startCaption")->isVisible());
  ClickTab(program_.main.get(), 2);
  QVERIFY(!start->isVisible());
  QVERIFY(IsEnabled(program_.main.get(), "createImageButton"));
  QVERIFY(IsEnabled(program_.main.get(), "cloneDiskButton"));
  ClickTab(program_.main.get(), 0);
  QVERIFY(!start->isVisible());
}

void MainWindowTest::theMediaPageListsTheDemoDisks() {
  program_.main->move(140, 90);
  const QPoint centre = program_.main->geometry().center();
  QVERIFY(Click(program_.main.get(), "freshRecoveryButton"));
  auto* media = FindWindow<gui::CInitialInfo>();
  QVERIFY(media);
  // A page stands where the one before it stood.
  QVERIFY2((media->geometry().center() - centre).manhattanLength() <= 2,
           qPrintable(QStringLiteral("%1,%2").arg(media->x()).arg(media->y())));
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  QTreeWidgetItem* root = tree->topLevelItem(0);
  QCOMPARE(root->text(0), QStringLiteral("Physical Disks"));
  QCOMPARE(root->childCount(), 2);
  QCOMPARE(root->child(0)->text(0), QStringLiteral("Disk0"));
  QCOMPARE(root->child(1)->childCount(), 0);  // disk 1 has no NetWare boot signature
  QTreeWidgetItem* data = TreeEntry(tree, "Pool:DATA");
  QVERIFY(data);
  QCOMPARE(data->child(0)->text(0), QStringLiteral("Volume:VOL1"));
  QCOMPARE(data->child(1)->text(0), QStringLiteral("Volume:USERS"));
  QVERIFY(TreeEntry(tree, "Volume:BACKUP"));

  QVERIFY(!IsEnabled(media, "continueButton"));
  QCOMPARE(LabelText(media, "headingPanel"), QStringLiteral("Recover Data "));
  tree->setCurrentItem(root->child(0));
  QCOMPARE(LabelText(media, "headingPanel"), QStringLiteral("Scan Disk"));
  QVERIFY2(LabelText(media, "wherePanel")
               .startsWith("\\\\.\\PhysicalDrive0  " + program_.disks->Disk(0)),
           qPrintable(LabelText(media, "wherePanel")));
  tree->setCurrentItem(data);
  QCOMPARE(LabelText(media, "headingPanel"), QStringLiteral("Scan Pool"));
  QVERIFY(Click(media, "continueButton"));
  auto* poolPage = FindWindow<gui::CpoolIterator>();
  QVERIFY2(poolPage, "Continue on a pool opens the pool page");
  QVERIFY(ScanDone(poolPage));
  poolPage->move(poolPage->pos() + QPoint(30, 20));  // dragged by its title bar
  const QPoint dragged = poolPage->geometry().center();
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(poolPage, "backButton"));
  QTRY_VERIFY(media->isVisible());
  QVERIFY2((media->geometry().center() - dragged).manhattanLength() <= 2,
           "the page shown again stands where the closed one was");
  tree->setCurrentItem(TreeEntry(tree, "Volume:VOL1"));
  QCOMPARE(LabelText(media, "headingPanel"), QStringLiteral("Scan Volume"));
  QCOMPARE(LabelText(media, "notePanel"), QString());
  QVERIFY(program_.disks->LogText().contains("\nReading Netware partitions in disk"));
  QVERIFY(program_.disks->LogText().contains(
      "\nCompleted Reading the Netware Partitions and Pools in Disks."));
  QVERIFY(Click(media, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void MainWindowTest::homeFromTheVolumePageShowsTheMainWindowAgain() {
  gui::LeafIterator* page = OpenVolumeThroughMediaPage();
  QVERIFY(page);
  auto* tree = page->findChild<QTreeView*>("folderTree");
  ClickCheck(tree, tree->model()->index(0, 0));
  QVERIFY(LabelText(page, "selectionText").startsWith("Files Selected: 18, size : "));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
  QVERIFY(!FindWindow<gui::CInitialInfo>());
  QVERIFY(!FindWindow<gui::LeafIterator>());
}

void MainWindowTest::backShowsTheMediaPageAndItsCloseEndsTheProgram() {
  QSignalSpy mainEnded(program_.main.get(), &QDialog::finished);
  gui::LeafIterator* page = OpenVolumeThroughMediaPage();
  QVERIFY(page);
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "backButton"));
  QTRY_VERIFY(FindWindow<gui::CInitialInfo>());
  QVERIFY(!program_.main->isVisible());
  QVERIFY(Click(FindWindow<gui::CInitialInfo>(), "closeButton"));
  QTRY_COMPARE(mainEnded.count(), 1);
  QVERIFY(!program_.main->isVisible());
}

void MainWindowTest::closingTheVolumePageEndsTheProgram() {
  QSignalSpy mainEnded(program_.main.get(), &QDialog::finished);
  gui::LeafIterator* page = OpenVolumeThroughMediaPage();
  QVERIFY(page);
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "closeButton"));
  QTRY_COMPARE(mainEnded.count(), 1);
  QVERIFY(!FindWindow<gui::CInitialInfo>());
  QVERIFY(!program_.main->isVisible());
}

void MainWindowTest::aScanSavedIsResumedFromTheResumeTab() {
  gui::LeafIterator* page = OpenVolumeThroughMediaPage();
  QVERIFY(page);
  const QString total = LabelText(page, "totalText");
  const QString chosen = program_.disks->Scratch("vol1-scan");
  ChooseFile("saveScanFileDialog", chosen);
  AnswerModal("ScanSaved", "okButton");
  QVERIFY(Click(page, "saveScanButton"));
  QVERIFY(QFileInfo::exists(chosen + ".IMG"));
  QVERIFY2(!IsEnabled(page, "saveScanButton"), "saved once until the next recovery");
  QVERIFY(program_.disks->LogText().contains("\nStarted saving the scan information"));
  QVERIFY(program_.disks->LogText().contains("\nScan information saved"));
  QVERIFY2(Click(page, "homeButton"), "a saved scan is not asked about again");
  QTRY_VERIFY(program_.main->isVisible());

  ClickTab(program_.main.get(), 1);
  ChooseFile("resumeFileDialog", chosen + ".IMG");
  QVERIFY(Click(program_.main.get(), "browseButton"));
  QCOMPARE(LabelText(program_.main.get(), "nameField"), chosen + ".IMG");
  QCOMPARE(LabelText(program_.main.get(), "typeField"), QStringLiteral("IMG"));
  QCOMPARE(LabelText(program_.main.get(), "sizeField"),
           QStringLiteral("%1 Bytes").arg(QFileInfo(chosen + ".IMG").size()));
  QVERIFY(Click(program_.main.get(), "startButton"));
  auto* resumed = FindWindow<gui::LeafIterator>();
  QVERIFY(resumed);
  QVERIFY(ScanDone(resumed));
  QCOMPARE(LabelText(resumed, "totalText"), total);
  QVERIFY(program_.disks->LogText().contains("\nResume recovery using saved scan information"));

  auto* tree = resumed->findChild<QTreeView*>("folderTree");
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualRect(tree->model()->index(0, 0)).center());
  ClickCheck(tree, tree->model()->index(0, 0));
  // The resumed tree's selection line reads as a fresh scan's: 18 files, 247.61 KB.
  QCOMPARE(LabelText(resumed, "selectionText"),
           QStringLiteral("Files Selected: 18, size : 0.24 MB"));
  const QString out = program_.disks->Scratch("recovered-resumed");
  WhenModal("CSaveFile", [out](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("localFolderEdit")->setText(out);
    Click(dialog, "okButton");
  });
  QString notice;
  WhenModal("RecoveredMessage", [&](QWidget* dialog) {
    notice = LabelText(dialog, "noticeText");
    Click(dialog, "okButton");
  });
  QVERIFY(Click(resumed, "recoverButton"));
  QTRY_COMPARE_WITH_TIMEOUT(notice.section('\n', 0, 0), QStringLiteral("Recovered Successfully"),
                            kTimeout);
  QCOMPARE(RecoveredContents(out), FolderContents(program_.disks->ExpectedFolder("DATA", "VOL1")));

  WhenModal("CScanRename", [](QWidget* dialog) {
    QCOMPARE(dialog->findChild<QLineEdit*>("newNameEdit")->text(),
             QStringLiteral("(Copy_1)vol1-scan.IMG"));
    Click(dialog, "okButton");
  });
  ChooseFile("saveScanFileDialog", chosen);
  AnswerModal("ScanSaved", "okButton");
  QVERIFY2(Click(resumed, "saveScanButton"), "a recovery run opens S SCAN again");
  QVERIFY(QFileInfo::exists(program_.disks->Scratch("(Copy_1)vol1-scan.IMG")));
  QVERIFY(Click(resumed, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void MainWindowTest::aDiskImageOnTheResumeTabOpensTheDiskScanPage() {
  ResumeOpensTheDiskScanPage(program_.disks->Disk(0));
}

// The demo disk acquired by ewfacquire, an acquisition tool of its own, in segments of 1 MiB.
void MainWindowTest::anEvidenceFileOnTheResumeTabOpensTheDiskScanPage() {
  const QString evidence = program_.disks->Scratch(QStringLiteral("evidence"));
  QProcess acquire;
  acquire.start(QStringLiteral("ewfacquire"),
                {"-u", "-q", "-c", "fast", "-S", "1MiB", "-t", evidence, program_.disks->Disk(0)});
  if (!acquire.waitForStarted()) QSKIP("SKIPPED: ewfacquire (ewf-tools) is not installed");
  QVERIFY(acquire.waitForFinished(kTimeout) && acquire.exitCode() == 0);
  ResumeOpensTheDiskScanPage(evidence + ".E01");
}

void MainWindowTest::ResumeOpensTheDiskScanPage(const QString& image) {
  ClickTab(program_.main.get(), 1);
  ChooseFile("resumeFileDialog", image);
  QVERIFY(Click(program_.main.get(), "browseButton"));
  QVERIFY(Click(program_.main.get(), "startButton"));
  auto* page = FindWindow<gui::CScanDisk>();
  QVERIFY2(page, "a disk image opens the disk scan page");
  QVERIFY(!program_.main->isVisible());
  QVERIFY(ScanDone(page));
  auto* tree = page->findChild<QTreeWidget*>("diskTree");
  QVERIFY(TreeEntry(tree, "Pool :    DATA"));
  QVERIFY(TreeEntry(tree, "Volume :   VOL1"));
  QVERIFY(program_.disks->LogText().contains("\nResume recovery from disk image"));
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void MainWindowTest::theApplicationObjectOpensAndClosesTheLog() {
  const qsizetype before = program_.disks->LogText().size();
  { const gui::CKestrelNSSRecoveryApp program; }
  const QString added = program_.disks->LogText().mid(before);
  QVERIFY(added.contains("Log Report*****************************\n"));
  QVERIFY(added.contains("\nStarted Kestrel Varnoak Novell (NSS) on "));
  QVERIFY(added.contains("\nClosed Kestrel Varnoak NSS successfullly on "));
  QVERIFY(added.indexOf("Started") < added.indexOf("Closed"));
}

void MainWindowTest::theSplashClosesOnAKey() {
  gui::SplashScreen splash;
  QSignalSpy ended(&splash, &QDialog::finished);
  splash.open();
  QVERIFY(QTest::qWaitForWindowExposed(&splash));
  QTest::keyClick(&splash, Qt::Key_Space);
  QCOMPARE(ended.count(), 1);  // at once, before its four seconds
}

void MainWindowTest::theAboutBoxNamesTheMachine() {
  QString memory;
  QString version;
  QString licences;
  WhenModal("AboutBox", [&](QWidget* about) {
    for (const QLabel* label : about->findChildren<QLabel*>()) {
      if (label->text().endsWith(" MB RAM")) memory = label->text();
    }
    version = LabelText(about, "versionText");
    licences = LabelText(about, "licenceText");
    Click(about, "okButton");
  });
  QVERIFY(Click(program_.main.get(), "aboutButton"));
  QVERIFY2(!memory.isEmpty(), "the memory line");
  QVERIFY2(version.startsWith("Version 3."), qPrintable(version));
  for (const char* library : {"Apache License 2.0", "Qt 6", "libcurl", "OpenSSL", "libfuse",
                              "libewf", "CLI11", "nlohmann-json"})
    QVERIFY2(licences.contains(QLatin1String(library)), library);

  // The title bar's menu, in the place of the system menu, has the about item too.
  const QList<QAction*> items = program_.main->findChild<gui::PageTitleBar*>()->actions();
  QCOMPARE(items.size(), 2);
  QVERIFY(items.first()->isSeparator());
  QCOMPARE(items.last()->text(), QStringLiteral("&About KestrelNSSRecovery..."));
  bool shown = false;
  WhenModal("AboutBox", [&](QWidget* about) {
    shown = true;
    Click(about, "okButton");
  });
  items.last()->trigger();
  QVERIFY(shown);
}

void MainWindowTest::aMissingHelpFileIsSaid() {
  QString notice;
  WhenModal("OpenFailed", [&](QWidget* dialog) {
    notice = LabelText(dialog, "noticeText");
    Click(dialog, "okButton");
  });
  QVERIFY(Click(program_.main.get(), "helpButton"));
  QVERIFY2(
      notice.startsWith("The help file cannot be opened:") && notice.endsWith("/help/index.html"),
      qPrintable(notice));
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::MainWindowTest)
#include "tst_MainWindow.moc"
