// SPDX-License-Identifier: Apache-2.0
// The preview area of the volume page and the pool page: pictures of the demo volume drawn pixel
// for pixel, a .jpg that holds text shown in hex, the hex viewer scrolled to the end, a WAV made
// here played from a private temporary file that is gone when the preview closes, leftovers of
// a crashed run removed, and a new click that cancels a load held up by a slow disk.
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QMediaPlayer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <cmath>
#include <memory>

#include "DemoProgram.h"
#include "DemoVolume.h"
#include "Driving.h"
#include "FileInMemory.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/viewers/CHexViewer.h"
#include "gui/viewers/CImagePreview.h"
#include "gui/viewers/CMediaViewer.h"
#include "gui/viewers/MediaTempFolder.h"
#include "gui/viewers/PreviewArea.h"
#include "gui/volume/LeafIterator.h"
#include "volume/VolumeScanner.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;

// Opens the folder at the path (names below the tree's top item) in the folder tree.
bool OpenFolder(QWidget* page, const QStringList& path) {
  auto* tree = page->findChild<QTreeView*>("folderTree");
  QModelIndex folder = tree->model()->index(0, 0);
  for (const QString& name : path) {
    tree->expand(folder);
    folder = ChildNamed(tree->model(), folder, name);
    if (!folder.isValid()) return false;
  }
  tree->setCurrentIndex(folder);
  return true;
}

// Clicks the row of the file in the list, on its size, away from its check box.
bool ClickFile(QWidget* page, const QString& name) {
  auto* list = page->findChild<QTableView*>("fileList");
  const QModelIndex row = ChildNamed(list->model(), {}, name);
  if (!row.isValid()) return false;
  const QModelIndex size = row.siblingAtColumn(1);
  list->scrollTo(size);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(size).center());
  return true;
}

QString FirstCharacters(const gui::CHexViewer* hex) {
  const auto& lines = hex->ShownPage().lines;
  return lines.empty() ? QString() : QString::fromStdString(lines.front().characters);
}

// Half a second of a 440 Hz tone, 8 kHz, 16-bit mono.
QByteArray ToneWav() {
  constexpr int kRate = 8000;
  constexpr int kSamples = kRate / 2;
  QByteArray wav;
  const auto put = [&wav](quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.append(static_cast<char>(value >> (8 * i)));
  };
  wav.append("RIFF");
  put(36 + kSamples * 2, 4);
  wav.append("WAVEfmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(kRate, 4);
  put(kRate * 2, 4);
  put(2, 2);
  put(16, 2);
  wav.append("data");
  put(kSamples * 2, 4);
  for (int i = 0; i < kSamples; ++i)
    put(static_cast<quint16>(static_cast<qint16>(8000 * std::sin(i * 2 * M_PI * 440 / kRate))), 2);
  return wav;
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void cleanupTestCase();
  void picturesOfTheDemoVolumeAreDrawnPixelForPixel();
  void aJpgHoldingTextFallsBackToHex();
  void theHexViewerScrollsToTheEndOfAFileOfThreeExtents();
  void thePoolPagePreviewsItsFilesToo();
  void aNewClickCancelsALoadHeldUpByASlowDisk();
  void aWavIsPlayedFromAPrivateFileGoneWhenThePreviewCloses();
  void foldersLeftByACrashedRunAreRemovedAtTheNextStart();

 private:
  std::unique_ptr<gui::LeafIterator> ScannedVolume(std::shared_ptr<GatedSource> gate = nullptr);
  QString Expected(const QString& path) const {
    return program_.disks->ExpectedFolder("DATA", "VOL1") + path;
  }

  DemoProgram program_;
  QString temp_;
};

void PreviewTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
  // The player's private folders go to a temporary folder of the test's own.
  temp_ = program_.disks->Scratch("temp");
  QVERIFY(QDir().mkpath(temp_));
  qputenv("TMPDIR", temp_.toLocal8Bit());
}

void PreviewTest::cleanup() {
  QCOMPARE(TakeModalFailures(), QStringList());
}

void PreviewTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
}

std::unique_ptr<gui::LeafIterator> PreviewTest::ScannedVolume(std::shared_ptr<GatedSource> gate) {
  auto page = std::make_unique<gui::LeafIterator>(DemoVolume(*program_.disks, "VOL1", gate),
                                                  *program_.log, nullptr);
  page->open();
  return WorkDone(page.get()) ? std::move(page) : nullptr;
}

void PreviewTest::picturesOfTheDemoVolumeAreDrawnPixelForPixel() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  auto* area = page->findChild<gui::PreviewArea*>("previewArea");
  QVERIFY2(!area->isVisible(), "with nothing to preview the list has the room");
  QVERIFY(OpenFolder(page.get(), {"IMAGES"}));
  for (const QString name : {"logo.bmp", "floor-plan.png"}) {
    QVERIFY(ClickFile(page.get(), name));
    QVERIFY(area->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(area->Current() == area->ImagePreview(), kTimeout);
    const QImage expected =
        QImage(Expected("/IMAGES/" + name)).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!expected.isNull());
    const QImage shown = area->ImagePreview()->Picture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, expected);
    // Smaller than the area: drawn at its own size, centred.
    const QRect drawn = area->ImagePreview()->DrawnRect();
    QCOMPARE(drawn.size(), expected.size());
    QVERIFY(qAbs(drawn.center().x() - area->ImagePreview()->width() / 2) <= 1);
    const QImage grabbed = area->ImagePreview()->grab().toImage();
    const qreal ratio = grabbed.devicePixelRatio();
    const QPoint inside = drawn.topLeft() + QPoint(5, 7);
    QCOMPARE(grabbed.pixelColor((inside * ratio)).rgb(), expected.pixelColor(5, 7).rgb());
  }
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
}

void PreviewTest::aJpgHoldingTextFallsBackToHex() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  auto* area = page->findChild<gui::PreviewArea*>("previewArea");
  QVERIFY(OpenFolder(page.get(), {"IMAGES"}));
  QVERIFY(ClickFile(page.get(), "scan-0412.jpg"));
  QTRY_VERIFY_WITH_TIMEOUT(area->Current() == area->HexViewer(), kTimeout);
  QTRY_COMPARE(FirstCharacters(area->HexViewer()), QStringLiteral("Scanner log, 12 "));
  QVERIFY(area->ImagePreview()->Picture().isNull());
  // A folder row closes the preview.
  QVERIFY(OpenFolder(page.get(), {"DOCS"}));
  QVERIFY(ClickFile(page.get(), "REPORTS"));
  QCOMPARE(area->Current(), nullptr);
  QVERIFY(!area->isVisible());
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
}

void PreviewTest::theHexViewerScrollsToTheEndOfAFileOfThreeExtents() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  auto* area = page->findChild<gui::PreviewArea*>("previewArea");
  gui::CHexViewer* hex = area->HexViewer();
  QVERIFY(OpenFolder(page.get(), {"DOCS", "REPORTS"}));
  QVERIFY(ClickFile(page.get(), "q2-2004.doc"));
  QTRY_VERIFY_WITH_TIMEOUT(!hex->ShownPage().lines.empty(), kTimeout);
  QCOMPARE(hex->verticalScrollBar()->maximum(), 117);  // 30000 bytes: pages 0 to 117
  hex->setFocus();
  QTest::keyClick(hex, Qt::Key_End);
  QTRY_COMPARE(hex->ShownPage().index, std::uint64_t{117});
  QCOMPARE(hex->verticalScrollBar()->value(), 117);
  const QByteArray made = FileBytes(Expected("/DOCS/REPORTS/q2-2004.doc"));
  QByteArray shown;
  for (const auto& line : hex->ShownPage().lines)
    for (const auto& cell : line.cells) shown.append(QByteArray::fromHex(cell.c_str()));
  QCOMPARE(shown, made.mid(117 * 256));
  QCOMPARE(QString::fromStdString(hex->ShownPage().lines.back().offsetText),
           QStringLiteral("0000007520"));
  // Dragging the bar, and a step up.
  hex->verticalScrollBar()->setValue(40);
  QTRY_COMPARE(hex->ShownPage().index, std::uint64_t{40});
  hex->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  QTRY_COMPARE(hex->ShownPage().index, std::uint64_t{39});
  QCOMPARE(QString::fromStdString(hex->ShownPage().lines.front().offsetText),
           QStringLiteral("0000002700"));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
}

void PreviewTest::thePoolPagePreviewsItsFilesToo() {
  gui::CpoolIterator page(DemoPool(*program_.disks, "ARCHIVE"), *program_.log, nullptr);
  page.open();
  QVERIFY(WorkDone(&page));
  auto* area = page.findChild<gui::PreviewArea*>("previewArea");
  QVERIFY(OpenFolder(&page, {"BACKUP", "2003"}));
  QVERIFY(ClickFile(&page, "clients.txt"));
  QTRY_VERIFY_WITH_TIMEOUT(area->Current() == area->HexViewer(), kTimeout);
  QTRY_COMPARE(FirstCharacters(area->HexViewer()), QStringLiteral("Client list as o"));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(&page, "homeButton"));
}

void PreviewTest::aNewClickCancelsALoadHeldUpByASlowDisk() {
  const auto gate = DemoGate(*program_.disks);
  const auto page = ScannedVolume(gate);
  QVERIFY(page);
  auto* area = page->findChild<gui::PreviewArea*>("previewArea");
  QVERIFY(OpenFolder(page.get(), {"IMAGES"}));
  gate->Close();
  QVERIFY(ClickFile(page.get(), "office-map.bmp"));
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting(); }, kTimeout));
  // The window goes on while the disk holds the read; the next click replaces the picture.
  QVERIFY(ClickFile(page.get(), "scan-0412.jpg"));
  QTest::qWait(100);
  QCOMPARE(area->Current(), nullptr);
  gate->Open();
  QTRY_COMPARE_WITH_TIMEOUT(FirstCharacters(area->HexViewer()), QStringLiteral("Scanner log, 12 "),
                            kTimeout);
  QTest::qWait(100);
  QCOMPARE(area->Current(), area->HexViewer());
  QVERIFY(area->ImagePreview()->Picture().isNull());
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page.get(), "homeButton"));
}

void PreviewTest::aWavIsPlayedFromAPrivateFileGoneWhenThePreviewCloses() {
  QString folder;
  {
    gui::PreviewArea area(nullptr);
    area.resize(400, 300);
    area.show();
    if (!area.MediaViewer()->Player()->isAvailable())
      QSKIP("SKIPPED: Qt Multimedia has no player backend on this machine");
    area.Show(FileInMemory(ToneWav(), u"tone.WAV"));
    QMediaPlayer* player = area.MediaViewer()->Player();
    QTRY_VERIFY_WITH_TIMEOUT(area.Current() != nullptr, kTimeout);
    if (area.Current() == area.HexViewer())
      QSKIP(
          qPrintable("SKIPPED: the player backend cannot play WAV here: " + player->errorString()));
    const QString played = area.MediaViewer()->PlayedPath();
    QVERIFY(QFileInfo::exists(played));
    QCOMPARE(QFileInfo(played).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadUser | QFileDevice::WriteUser);
    folder = QFileInfo(played).path();
    QVERIFY(folder.startsWith(temp_ + "/kestrel-nss-preview-"));
    QCOMPARE(QFileInfo(folder).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
    QTRY_VERIFY_WITH_TIMEOUT(player->mediaStatus() == QMediaPlayer::LoadedMedia ||
                                 player->mediaStatus() == QMediaPlayer::BufferedMedia ||
                                 player->mediaStatus() == QMediaPlayer::EndOfMedia,
                             kTimeout);
    QVERIFY2(player->duration() > 0, "the player read the tone's length");
    area.Close();
    QVERIFY(!QFileInfo::exists(played));
    QVERIFY(QFileInfo::exists(folder));
  }
  QVERIFY2(!QFileInfo::exists(folder), "the private folder goes with the page");
}

void PreviewTest::foldersLeftByACrashedRunAreRemovedAtTheNextStart() {
  // A lock naming a process that has ended, as a crash leaves it.
  QProcess ended;
  ended.start("true");
  QVERIFY(ended.waitForStarted());
  const qint64 endedPid = ended.processId();
  QVERIFY(ended.waitForFinished());
  const QString crashed = temp_ + "/kestrel-nss-preview-crashed";
  QVERIFY(QDir().mkpath(crashed));
  QByteArray lock;
  {
    QLockFile own(crashed + "/owner.lock");
    QVERIFY(own.tryLock(0));
    QFile file(crashed + "/owner.lock");
    QVERIFY(file.open(QIODevice::ReadOnly));
    lock = file.readAll();
  }
  lock.replace(0, lock.indexOf('\n'), QByteArray::number(endedPid));
  QFile file(crashed + "/owner.lock");
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(lock);
  file.close();
  QFile sample(crashed + "/sample-abc.wav");
  QVERIFY(sample.open(QIODevice::WriteOnly));
  sample.close();

  const gui::MediaTempFolder running;
  QVERIFY(running.IsValid());
  gui::MediaTempFolder::RemoveLeftovers();
  QVERIFY(!QFileInfo::exists(crashed));
  QVERIFY2(QFileInfo::exists(running.Path()), "the folder of a running program stays");
}

}  // namespace kestrel::guitest

#ifdef __SANITIZE_ADDRESS__
// The media player's GLib threads come and go at any time. LeakSanitizer's check walks each
// thread's dynamic TLS, and now and then one is torn down under it and the check itself crashes;
// this suite's leaks are looked for without the thread-local blocks. What GLib and the dynamic
// loader keep only there then looks lost.
extern "C" const char* __lsan_default_options() {
  return "use_tls=0";
}
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\nleak:_dl_map_object_deps\n";
}
#endif

QTEST_MAIN(kestrel::guitest::PreviewTest)
#include "tst_Preview.moc"
