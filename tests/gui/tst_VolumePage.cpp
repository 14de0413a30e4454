// SPDX-License-Identifier: Apache-2.0
// The volume page on the demo volume VOL1: the scan, ticking folders and files, recovering into a
// folder, a name clash, the stop question, and leaving the page.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>
#include <memory>

#include "DemoProgram.h"
#include "DemoVolume.h"
#include "Driving.h"
#include "app/LogReport.h"
#include "gui/app/ProgramSetup.h"
#include "gui/destination/SessionFtpSettings.h"
#include "gui/volume/LeafIterator.h"

namespace kestrel::guitest {
namespace {

constexpr int kScanTimeout = 30000;

// The number of files below a folder of the expected recovery, and their bytes.
std::pair<int, qint64> FilesBelow(const QString& folder) {
  const auto contents = FolderContents(folder);
  qint64 bytes = 0;
  for (const QByteArray& data : contents) bytes += data.size();
  return {static_cast<int>(contents.size()), bytes};
}

QString BytesText(int count, qint64 bytes) {
  return QStringLiteral("Files Selected: %1, size : %2.00 bytes").arg(count).arg(bytes);
}

}  // namespace

class VolumePageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void cleanupTestCase();
  void theScanListsTheVolume();
  void tickingFoldersAndFilesSetsTheSelectionText();
  void recoverWritesEveryFileWhole();
  void aClashAnsweredWithRenameKeepsBothFiles();
  void aClashAnsweredWithSkipAllIsNoSuccess();
  void aServerThatCannotBeReachedLeavesTheTicksToTryAgain();
  void stopDuringTheScanAnsweredNoThenYes();
  void aRunningScanShowsCountsAndNoPercentage();
  void aScanCutShortByAReadErrorSaysSo();
  void filesOnAreasNeverReadAreMarked();
  void stopDuringARecoveryPausesItThenEndsIt();
  void leavingWhileWorkRunsIsRefused();
  void leavingButtonsGiveTheirResults_data();
  void leavingButtonsGiveTheirResults();
  void aSaveCancelledOnLeavingKeepsThePage();
  void theManualNamesTheButtonsAsTheyRead();

 private:
  // A volume page on VOL1, open, its scan done.
  std::unique_ptr<gui::LeafIterator> OpenScannedPage(std::shared_ptr<GatedSource> gate = nullptr);
  void Recover(gui::LeafIterator& page, const QString& folder,
               std::function<void()> whileOpen = {});
  QString Expected() const { return program_.disks->ExpectedFolder("DATA", "VOL1"); }

  QString recoveredText_;
  bool reportOffered_ = false;  // the notice had "Open report"
  DemoProgram program_;
};

void VolumePageTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
}

void VolumePageTest::cleanup() {
  QCOMPARE(TakeModalFailures(), QStringList());
}

void VolumePageTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
}

std::unique_ptr<gui::LeafIterator> VolumePageTest::OpenScannedPage(
    std::shared_ptr<GatedSource> gate) {
  auto page = std::make_unique<gui::LeafIterator>(DemoVolume(*program_.disks, "VOL1", gate),
                                                  *program_.log, nullptr);
  page->open();
  auto* stop = page->findChild<QPushButton*>("stopButton");
  if (!QTest::qWaitFor([&] { return !stop->isVisible(); }, kScanTimeout)) return nullptr;
  return page;
}

// Recover, with the destination typed into the destination dialog; the notice at the end is
// kept in recoveredText_.
void VolumePageTest::Recover(gui::LeafIterator& page, const QString& folder,
                             std::function<void()> whileOpen) {
  recoveredText_.clear();
  WhenModal("CSaveFile", [folder](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("localFolderEdit")->setText(folder);
    Click(dialog, "okButton");
  });
  WhenModal("RecoveredMessage", [this](QWidget* notice) {
    recoveredText_ = LabelText(notice, "noticeText");
    reportOffered_ = notice->findChild<QPushButton*>("openReportButton") != nullptr;
    Click(notice, "okButton");
  });
  QVERIFY(Click(&page, "recoverButton"));
  if (whileOpen) whileOpen();
  QVERIFY(QTest::qWaitFor([this] { return !recoveredText_.isEmpty(); }, kScanTimeout));
}

void VolumePageTest::theScanListsTheVolume() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  QCOMPARE(LabelText(page.get(), "statusText"), QStringLiteral("Scanning completed"));
  QCOMPARE(LabelText(page.get(), "totalText"),
           QStringLiteral("Total:  247.61 KB Folder(s): 5  File(s): 18"));
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex top = tree->model()->index(0, 0);
  QCOMPARE(top.data().toString(), QStringLiteral("VOL1"));
  QVERIFY(tree->isExpanded(top));
  for (const char* folder : {"DOCS", "PUBLIC", "IMAGES"}) {
    const QModelIndex child = ChildNamed(tree->model(), top, folder);
    QVERIFY2(child.isValid(), folder);
    QVERIFY2(!tree->isExpanded(child), "the top item's sub-folders start collapsed");
  }
  auto* list = page->findChild<QTableView*>("fileList");
  QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(),
           QStringLiteral("File Size (in Bytes)"));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualRect(ChildNamed(tree->model(), top, "DOCS")).center());
  const QAbstractItemModel* rows = list->model();
  QCOMPARE(rows->rowCount(), 4);
  QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("REPORTS"));
  QCOMPARE(rows->index(0, 2).data().toString(), QStringLiteral("0"));
  QCOMPARE(rows->index(2, 0).data().toString(), QStringLiteral("readme.txt"));
  QCOMPARE(rows->index(2, 1).data().toLongLong(),
           QFileInfo(Expected() + "/DOCS/readme.txt").size());
  QCOMPARE(rows->index(2, 2).data().toString(), QStringLiteral("Valid File"));
  QCOMPARE(rows->index(3, 2).data().toString(), QStringLiteral("Invalid/Deleted File"));
  // The type is read whole, and a deleted file is marked in every column, so that no one has to
  // scroll to the type to see it.
  const QFontMetrics metrics = list->fontMetrics();
  QVERIFY(list->columnWidth(2) > metrics.horizontalAdvance("Invalid/Deleted File"));
  QVERIFY(list->columnWidth(1) > metrics.horizontalAdvance("File Size (in Bytes)"));
  QVERIFY(list->columnViewportPosition(2) + list->columnWidth(2) <= list->viewport()->width());
  for (int column = 0; column < 3; ++column) {
    QVERIFY(rows->index(3, column).data(Qt::FontRole).value<QFont>().strikeOut());
    QVERIFY(!rows->index(2, column).data(Qt::FontRole).value<QFont>().strikeOut());
    QVERIFY(rows->index(3, column).data(Qt::ForegroundRole).isValid());
  }
  QVERIFY(rows->index(3, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey() !=
          rows->index(2, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey());
  QVERIFY(!IsEnabled(page.get(), "recoverButton"));
  QVERIFY(IsEnabled(page.get(), "selectAllButton"));
  QVERIFY(IsEnabled(page.get(), "saveScanButton"));
  QVERIFY(IsEnabled(page.get(), "findButton") && IsEnabled(page.get(), "maskButton"));
  QVERIFY(program_.disks->LogText().contains("Started Scanning VOL1"));
  QVERIFY(program_.disks->LogText().contains("Volume scanning completed successfully on"));
}

void VolumePageTest::tickingFoldersAndFilesSetsTheSelectionText() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  auto* tree = page->findChild<QTreeView*>("folderTree");
  auto* list = page->findChild<QTableView*>("fileList");
  const QModelIndex top = tree->model()->index(0, 0);
  const auto [docsFiles, docsBytes] = FilesBelow(Expected() + "/DOCS");
  ClickCheck(tree, ChildNamed(tree->model(), top, "DOCS"));
  QCOMPARE(LabelText(page.get(), "selectionText"), BytesText(docsFiles, docsBytes));
  QVERIFY2(!tree->isExpanded(ChildNamed(tree->model(), top, "DOCS")), "a tick opens nothing");
  QCOMPARE(tree->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
  QVERIFY(IsEnabled(page.get(), "recoverButton"));
  QCOMPARE(list->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualRect(ChildNamed(tree->model(), top, "PUBLIC")).center());
  const QModelIndex welcome = ChildNamed(list->model(), {}, "welcome.txt");
  const qint64 welcomeBytes = QFileInfo(Expected() + "/PUBLIC/welcome.txt").size();
  ClickCheck(list, welcome);
  QCOMPARE(LabelText(page.get(), "selectionText"),
           BytesText(docsFiles + 1, docsBytes + welcomeBytes));
  ClickCheck(list, welcome);
  QCOMPARE(LabelText(page.get(), "selectionText"), BytesText(docsFiles, docsBytes));

  const auto [allFiles, allBytes] = FilesBelow(Expected());
  QVERIFY(Click(page.get(), "selectAllButton"));
  QCOMPARE(LabelText(page.get(), "selectionText"), BytesText(allFiles, allBytes));
  QVERIFY(!IsEnabled(page.get(), "selectAllButton"));
  QVERIFY(Click(page.get(), "unselectButton"));
  QCOMPARE(LabelText(page.get(), "selectionText"),
           QStringLiteral("Files Selected: 0, size : 0 MB"));
  QVERIFY(!IsEnabled(page.get(), "recoverButton"));
  QCOMPARE(tree->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

void VolumePageTest::recoverWritesEveryFileWhole() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  QVERIFY(Click(page.get(), "selectAllButton"));
  const QString out = program_.disks->Scratch("recovered-all");
  Recover(*page, out);
  const auto [allFiles, allBytes] = FilesBelow(Expected());
  QCOMPARE(recoveredText_.section('\n', 0, 1),
           QStringLiteral("Recovered Successfully\nWritten: %1 File(s), 247.61 KB, to %2")
               .arg(allFiles)
               .arg(out));
  QVERIFY(program_.disks->LogText().contains(recoveredText_));
  QCOMPARE(RecoveredContents(out), FolderContents(Expected()));
  // The report beside the files lists each with the SHA-256 of its bytes as they lie there.
  // The destination joins names with the system's separator.
  QVERIFY2(recoveredText_.endsWith("\nReport: " + out + QDir::separator() + "report.html"),
           qPrintable(recoveredText_));
  QVERIFY(reportOffered_);
  const QJsonObject report = QJsonDocument::fromJson(FileBytes(out + "/report.json")).object();
  QCOMPARE(report["command"].toString(), QStringLiteral("recovery from the volume page"));
  QCOMPARE(report["scanKind"].toString(), QStringLiteral("volume"));
  QCOMPARE(report["selection"].toArray(), QJsonArray({QStringLiteral("/")}));
  const QJsonArray files = report["files"].toArray();
  QCOMPARE(files.size(), allFiles);
  for (const QJsonValue& file : files) {
    const QByteArray written = FileBytes(file["writtenAs"].toString());
    QCOMPARE(file["state"].toString(), QStringLiteral("whole"));
    QCOMPARE(file["sha256"].toString(),
             QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex());
  }
  QVERIFY(QFileInfo(out + "/report.dfxml").size() > 0);
  // The page reads without a browser's scripts: Qt's own HTML reader shows the summary first.
  QTextDocument html;
  html.setHtml(QString::fromUtf8(FileBytes(out + "/report.html")));
  const QString shown = html.toPlainText();
  const qsizetype summary = shown.indexOf("Recovered whole\n" + QString::number(allFiles));
  QVERIFY2(summary >= 0, qPrintable(shown.left(800)));
  QVERIFY(summary < shown.indexOf("readme.txt"));
  // Each picture recovered shows as a small JPEG; a ".jpg" holding text, and every other file,
  // does not.
  const QByteArray htmlBytes = FileBytes(out + "/report.html");
  int pictures = 0;
  for (const QJsonValue& file : files)
    pictures += !QImage::fromData(FileBytes(file["writtenAs"].toString())).isNull();
  QVERIFY(pictures > 0);
  QCOMPARE(htmlBytes.count("<img class='thumb' alt='' src='data:image/jpeg;base64,"), pictures);
  QVERIFY(!IsEnabled(page.get(), "recoverButton"));
  QVERIFY(IsEnabled(page.get(), "homeButton"));
  QCOMPARE(page->findChild<QTreeView*>("folderTree")
               ->model()
               ->index(0, 0)
               .data(Qt::CheckStateRole)
               .toInt(),
           int(Qt::Unchecked));
}

void VolumePageTest::aClashAnsweredWithRenameKeepsBothFiles() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  const QString out = program_.disks->Scratch("recovered-clash");
  QVERIFY(QDir().mkpath(out + "/DOCS"));
  QFile old(out + "/DOCS/readme.txt");
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("older readme");
  old.close();
  auto* tree = page->findChild<QTreeView*>("folderTree");
  QTest::mouseClick(
      tree->viewport(), Qt::LeftButton, {},
      tree->visualRect(ChildNamed(tree->model(), tree->model()->index(0, 0), "DOCS")).center());
  auto* list = page->findChild<QTableView*>("fileList");
  ClickCheck(list, ChildNamed(list->model(), {}, "readme.txt"));
  QString asked, proposed;
  WhenModal("CAlreadyExistFileDialog", [&](QWidget* dialog) {
    asked = LabelText(dialog, "fileNameLabel");
    proposed = dialog->findChild<QLineEdit*>("renameToEdit")->text();
    Click(dialog, "renameButton");
  });
  Recover(*page, out);
  QCOMPARE(asked, QStringLiteral("readme.txt"));
  QCOMPARE(proposed, QStringLiteral("Copy(1)_readme.txt"));
  QCOMPARE(recoveredText_.section('\n', 0, 0), QStringLiteral("Recovered Successfully"));
  QVERIFY2(recoveredText_.contains("\nRenamed: 1 File(s)"), qPrintable(recoveredText_));
  QCOMPARE(FileBytes(out + "/DOCS/readme.txt"), QByteArray("older readme"));
  QCOMPARE(FileBytes(out + "/DOCS/Copy(1)_readme.txt"), FileBytes(Expected() + "/DOCS/readme.txt"));
}

// After SkipAll nothing is written, and the notice and the log report say so.
void VolumePageTest::aClashAnsweredWithSkipAllIsNoSuccess() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  const QString out = program_.disks->Scratch("recovered-skipped");
  QVERIFY(QDir().mkpath(out + "/PUBLIC"));
  QFile old(out + "/PUBLIC/welcome.txt");
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("older notes");
  old.close();
  auto* tree = page->findChild<QTreeView*>("folderTree");
  QTest::mouseClick(
      tree->viewport(), Qt::LeftButton, {},
      tree->visualRect(ChildNamed(tree->model(), tree->model()->index(0, 0), "PUBLIC")).center());
  auto* list = page->findChild<QTableView*>("fileList");
  ClickCheck(list, ChildNamed(list->model(), {}, "welcome.txt"));
  WhenModal("CAlreadyExistFileDialog", [](QWidget* dialog) { Click(dialog, "skipAllButton"); });
  Recover(*page, out);
  QCOMPARE(
      recoveredText_,
      QStringLiteral("Nothing was recovered.\nWritten: 0 File(s), 0.00 Bytes, to %1\nSkipped at "
                     "your choice: 1 File(s)\nRenamed: 0 File(s)\nNot recovered whole: 0 "
                     "File(s)\nReport: %1%2report.html")
          .arg(out, QDir::separator()));
  QVERIFY(program_.disks->LogText().contains("\nRecovery ended on"));
  QVERIFY(program_.disks->LogText().contains(recoveredText_));
  QCOMPARE(FileBytes(out + "/PUBLIC/welcome.txt"), QByteArray("older notes"));
}

void VolumePageTest::aServerThatCannotBeReachedLeavesTheTicksToTryAgain() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  gui::SessionFtpSettings() = {};
  gui::SessionFtpSettings().host = "127.0.0.1";
  gui::SessionFtpSettings().port = 1;  // nothing listens there
  gui::SessionFtpSettings().user = "kestrel";
  gui::SessionFtpSettings().password = destination::Secret("secret");
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex docs = ChildNamed(tree->model(), tree->model()->index(0, 0), "DOCS");
  ClickCheck(tree, docs);
  const QString ticked = LabelText(page.get(), "selectionText");
  WhenModal("CSaveFile", [](QWidget* dialog) {
    dialog->findChild<QRadioButton*>("ftpServerOption")->click();
    dialog->findChild<QLineEdit*>("ftpPathEdit")->setText("/recovered");
    Click(dialog, "okButton");
  });
  QString failed;
  WhenModal("ConnectionFailed", [&](QWidget* notice) {
    failed = LabelText(notice, "noticeText");
    Click(notice, "okButton");
  });
  QVERIFY(Click(page.get(), "recoverButton"));
  QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }, kScanTimeout));
  QVERIFY(failed.startsWith("Connection Failed"));
  QCOMPARE(docs.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  QCOMPARE(LabelText(page.get(), "selectionText"), ticked);
  QVERIFY(IsEnabled(page.get(), "recoverButton") && IsEnabled(page.get(), "unselectButton"));
}

void VolumePageTest::stopDuringTheScanAnsweredNoThenYes() {
  const auto gate = DemoGate(*program_.disks);
  gate->Allow(2);  // the pool label and the root block; the first leaf block waits
  gui::LeafIterator page(DemoVolume(*program_.disks, "VOL1", gate), *program_.log, nullptr);
  page.open();
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kScanTimeout));
  QSignalSpy ended(&page, &QDialog::finished);
  AnswerModal("PressesStopScan", "noButton");
  QVERIFY(Click(&page, "stopButton"));
  QCOMPARE(LabelText(&page, "statusText"), QStringLiteral("Scanning Data"));
  QVERIFY(IsEnabled(&page, "stopButton"));
  AnswerModal("PressesStopScan", "yesButton");
  QVERIFY(Click(&page, "stopButton"));
  QVERIFY(!IsEnabled(&page, "stopButton"));
  gate->Open();
  QTRY_COMPARE_WITH_TIMEOUT(LabelText(&page, "statusText"), QStringLiteral("Scanned Data"),
                            kScanTimeout);
  QVERIFY(!page.findChild<QPushButton*>("stopButton")->isVisible());
  QVERIFY(IsEnabled(&page, "homeButton") && IsEnabled(&page, "unselectButton"));
  QVERIFY(program_.disks->LogText().contains("\nScan volume process aborted"));
  QCOMPARE(ended.count(), 0);
}

// The chain's length shows only at its end, so no percentage can be true while it runs: the bar
// only moves, and the blocks read and the rate are given beside it.
void VolumePageTest::aRunningScanShowsCountsAndNoPercentage() {
  const auto gate = DemoGate(*program_.disks);
  gate->Allow(2);  // the pool label and the root block; the first leaf block waits
  gui::LeafIterator page(DemoVolume(*program_.disks, "VOL1", gate), *program_.log, nullptr);
  page.open();
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kScanTimeout));
  auto* bar = page.findChild<QProgressBar*>("scanProgress");
  QVERIFY(bar->isVisible());
  QCOMPARE(bar->maximum(), 0);
  QVERIFY2(!bar->text().contains('%'), qPrintable(bar->text()));
  gate->Allow(1);
  QTRY_VERIFY_WITH_TIMEOUT(
      LabelText(&page, "progressDetail").startsWith("1 blocks") || !bar->isVisible(), kScanTimeout);
  // VOL1's chain is that one leaf block: the scan may have ended already, its bar full for the
  // moment before the page hides it, but never part-way.
  QVERIFY2(bar->maximum() == 0 || !bar->isVisible() || bar->value() == 100,
           qPrintable(QString::number(bar->value())));
  gate->Open();
  QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), kScanTimeout);
  QCOMPARE(bar->maximum(), 100);
}

void VolumePageTest::aScanCutShortByAReadErrorSaysSo() {
  const qsizetype logBefore = program_.disks->LogText().size();
  const auto gate = DemoGate(*program_.disks);
  gate->Allow(2);  // the pool label and the root block; the first leaf block cannot be read
  gui::LeafIterator page(DemoVolume(*program_.disks, "VOL1", gate), *program_.log, nullptr);
  page.open();
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kScanTimeout));
  gate->FailRest();
  QTRY_VERIFY_WITH_TIMEOUT(!page.findChild<QPushButton*>("stopButton")->isVisible(), kScanTimeout);
  QVERIFY2(LabelText(&page, "statusText").startsWith("Scanning ended early: "),
           qPrintable(LabelText(&page, "statusText")));
  QVERIFY(!program_.disks->LogText().mid(logBefore).contains("completed successfully"));
}

// A map beside the image, as imaging leaves it, with one bad sector in readme.txt's data: that row
// alone gets the unread icon and says how many bytes were never read.
void VolumePageTest::filesOnAreasNeverReadAreMarked() {
  const QString image = program_.disks->Disk(0);
  const QByteArray readme = FileBytes(Expected() + "/DOCS/readme.txt");
  const qint64 at = FileBytes(image).indexOf(readme);
  QVERIFY(at > 0 && at % 512 == 0);
  const qint64 size = QFileInfo(image).size();
  QFile map(image + ".map");
  QVERIFY(map.open(QIODevice::WriteOnly));
  map.write(QStringLiteral("0x0 +\n0x0 0x%1 +\n0x%1 0x200 -\n0x%2 0x%3 +\n")
                .arg(at, 0, 16)
                .arg(at + 512, 0, 16)
                .arg(size - at - 512, 0, 16)
                .toLatin1());
  map.close();
  const auto removeMap = qScopeGuard([&] { map.remove(); });

  const auto page = OpenScannedPage();
  QVERIFY(page);
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex top = tree->model()->index(0, 0);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualRect(ChildNamed(tree->model(), top, "DOCS")).center());
  const QAbstractItemModel* rows = page->findChild<QTableView*>("fileList")->model();
  QCOMPARE(rows->index(2, 0).data().toString(), QStringLiteral("readme.txt"));
  QCOMPARE(rows->index(2, 1).data(Qt::ToolTipRole).toString(),
           QStringLiteral("%1 bytes were never read from the disk")
               .arg(std::min<qint64>(512, readme.size())));
  QCOMPARE(rows->index(1, 0).data(Qt::ToolTipRole), QVariant());
  const auto icon = [&](int row) {
    return rows->index(row, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey();
  };
  QVERIFY(icon(2) != icon(1) && icon(2) != icon(3));
  QCOMPARE(LabelText(page.get(), "statusText"), QStringLiteral("Scanning completed"));
}

void VolumePageTest::stopDuringARecoveryPausesItThenEndsIt() {
  const auto gate = DemoGate(*program_.disks);
  const auto page = OpenScannedPage(gate);
  QVERIFY(page);
  gate->Close();
  QVERIFY(Click(page.get(), "selectAllButton"));
  int passedWhilePaused = -1;
  Recover(*page, program_.disks->Scratch("recovered-stopped"), [&] {
    QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kScanTimeout));
    WhenModal("PressesStopScan", [&](QWidget* question) {
      const int before = gate->Passed();
      gate->Allow(5);
      QTest::qWait(300);
      passedWhilePaused = gate->Passed() - before;
      Click(question, "noButton");
    });
    QVERIFY(Click(page.get(), "stopButton"));
    QVERIFY2(passedWhilePaused <= 1, "the run read on while the question was on screen");
    QVERIFY2(QTest::qWaitFor([&] { return gate->Passed() >= 5 && gate->Waiting(); }, kScanTimeout),
             "No lets the run go on");
    AnswerModal("PressesStopScan", "yesButton");
    QVERIFY(Click(page.get(), "stopButton"));
    gate->Open();
  });
  QVERIFY(recoveredText_ != QStringLiteral("Recovered Successfully"));
  QVERIFY2(recoveredText_.contains("stopped"), qPrintable(recoveredText_));
  QVERIFY(!page->findChild<QPushButton*>("stopButton")->isVisible());
  QVERIFY(IsEnabled(page.get(), "homeButton"));
}

void VolumePageTest::leavingWhileWorkRunsIsRefused() {
  const auto gate = DemoGate(*program_.disks);
  gate->Allow(2);
  gui::LeafIterator page(DemoVolume(*program_.disks, "VOL1", gate), *program_.log, nullptr);
  page.open();
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kScanTimeout));
  QSignalSpy ended(&page, &QDialog::finished);
  QString notice;
  for (const char* button : {"homeButton", "backButton", "closeButton"}) {
    WhenModal("StopScanning", [&](QWidget* dialog) {
      notice = LabelText(dialog, "noticeText");
      Click(dialog, "okButton");
    });
    QVERIFY2(Click(&page, button), button);
    QCOMPARE(notice, QStringLiteral("Stop Current  Process.."));
  }
  QCOMPARE(ended.count(), 0);
  QVERIFY(page.isVisible());
  gate->Open();
  QTRY_VERIFY_WITH_TIMEOUT(!page.findChild<QPushButton*>("stopButton")->isVisible(), kScanTimeout);
}

void VolumePageTest::leavingButtonsGiveTheirResults_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("result");
  QTest::newRow("HOME: back to the main window") << "homeButton" << 1;
  QTest::newRow("BACK: the media page again") << "backButton" << 3;
  QTest::newRow("X: the program is closing") << "closeButton" << 2;
}

void VolumePageTest::leavingButtonsGiveTheirResults() {
  QFETCH(QString, button);
  QFETCH(int, result);
  const auto page = OpenScannedPage();
  QVERIFY(page);
  QSignalSpy ended(page.get(), &QDialog::finished);
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), qPrintable(button)));
  QCOMPARE(ended.count(), 1);
  QCOMPARE(ended.first().first().toInt(), result);
}

void VolumePageTest::aSaveCancelledOnLeavingKeepsThePage() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  QSignalSpy ended(page.get(), &QDialog::finished);
  AnswerModal("savescanDialog", "yesButton");
  WhenModal("saveScanFileDialog", [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
  QVERIFY(Click(page.get(), "homeButton"));
  QCOMPARE(ended.count(), 0);
  QVERIFY(page->isVisible());
  // Escape on the question, and its Cancel, stay on the page with the scan.
  WhenModal("savescanDialog", [](QWidget* question) { QTest::keyClick(question, Qt::Key_Escape); });
  QVERIFY(Click(page.get(), "homeButton"));
  AnswerModal("savescanDialog", "cancelButton");
  QVERIFY(Click(page.get(), "backButton"));
  QCOMPARE(ended.count(), 0);
  QVERIFY(page->isVisible());
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
  QCOMPARE(ended.count(), 1);
}

// The manual's page of the volume page names its buttons in bold, as the buttons themselves read.
void VolumePageTest::theManualNamesTheButtonsAsTheyRead() {
  const auto page = OpenScannedPage();
  QVERIFY(page);
  QStringList shown;
  for (const QPushButton* button : page->findChildren<QPushButton*>()) shown << button->text();
  const QString manual =
      QString::fromUtf8(FileBytes(QStringLiteral(KESTREL_SOURCE_DIR "/docs/help/volume-page.md")));
  QVERIFY(!manual.isEmpty());
  const QRegularExpression bold(QStringLiteral("\\*\\*([^*]+)\\*\\*"));
  int named = 0;
  for (const QRegularExpressionMatch& match : bold.globalMatch(manual)) {
    const QString name = match.captured(1);
    if (name == QStringLiteral("F3")) continue;  // a key, not a button
    QVERIFY2(shown.contains(name), qPrintable(name + " is no button of the page"));
    ++named;
  }
  QVERIFY(named >= 8);
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::VolumePageTest)
#include "tst_VolumePage.moc"
