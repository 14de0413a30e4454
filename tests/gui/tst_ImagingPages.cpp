// SPDX-License-Identifier: Apache-2.0
// The imaging and cloning pages on the demo disks: the source tree and its item lines, the image
// file's name and the refusals before imaging, a disk and a pool imaged byte for byte, Stop and
// Continue; two image files cloned one onto the other, and the clones that are refused.
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "DemoProgram.h"
#include "Driving.h"
#include "GatedSource.h"
#include "SmallFileSystem.h"
#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/imaging/CCreateImageItems.h"
#include "gui/imaging/CDiskClone.h"
#include "gui/imaging/CImageCreation.h"
#include "gui/imaging/ProgressGridView.h"
#include "gui/pool/CpoolIterator.h"
#include "imaging/EwfImage.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;
constexpr qint64 kDemoDiskSectors = 71680;  // the demo's Disk0: 35 MiB

// The number at the end of an "Item Information" line.
qint64 LineNumber(QWidget* page, const char* label) {
  return LabelText(page, label).split(' ', Qt::SkipEmptyParts).last().toLongLong();
}

bool Finished(QWidget* page, const char* stopButton) {
  return QTest::qWaitFor(
      [=] {
        auto* stop = page->findChild<QPushButton*>(stopButton);
        return !stop->isEnabled() && !LabelText(page, "statusText").isEmpty();
      },
      kTimeout);
}

bool AllSquaresAre(QWidget* page, imaging::BlockState state) {
  const auto& states = page->findChild<gui::ProgressGridView*>()->States();
  return std::all_of(states.begin(), states.end(), [state](auto s) { return s == state; });
}

QColor PaintedColour(QWidget* page, int square) {
  auto* grid = page->findChild<gui::ProgressGridView*>();
  return grid->grab().toImage().pixelColor(grid->SquareRect(square).center());
}

QString Sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray Filled(qint64 bytes, char byte) {
  return QByteArray(static_cast<qsizetype>(bytes), byte);
}

// A rescue map of two runs: the first `split` bytes with one status, the rest up to `bytes` with
// another.
QByteArray TwoRunMap(qint64 split, char first, qint64 bytes, char second) {
  return QStringLiteral("0x0 ? 1\n0x0 0x%1 %2\n0x%1 0x%3 %4\n")
      .arg(split, 0, 16)
      .arg(QChar(first))
      .arg(bytes - split, 0, 16)
      .arg(QChar(second))
      .toLatin1();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

class ImagingPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void theSourceTreeListsTheDisksWithTheirPools();
  void theItemLinesFollowTheSelection();
  void theGridTellsProcessedRemainingAndBadApart();
  void aDiskIsImagedToAFileIdenticalToIt();
  void aDiskIsImagedToAnEvidenceFileWithTheCaseFields();
  void anExistingImageIsReplacedOnlyOnYes();
  void aRescueIsResumedFromTheMapBesideTheImage();
  void aDestinationWithoutRoomIsRefused();
  void aRescueIsResumedWhereThereIsRoomOnlyForWhatIsMissing();
  void stopAnsweredNoGoesOnAndYesStops();
  void continueOpensThePoolPageOnAPoolImage();
  void aDiskIsClonedOntoAnother();
  void unsafeClonesAreRefused();
  void closingTheCloningPageDuringARunAsksToStopFirst();

 private:
  gui::CCreateImageItems* OpenSourceSelection();
  gui::CDiskClone* OpenCloningPage(const QStringList& disks);
  // Chooses the entry and the image file name and presses Continue.
  void ImageEntry(gui::CCreateImageItems* items, const QString& entry, const QString& name);
  QString Scratch(const QString& name) const { return program_.disks->Scratch(name); }
  QByteArray DiskBytes(qint64 firstSector, qint64 endSector) const;

  DemoProgram program_;
};

void ImagingPagesTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
}

void ImagingPagesTest::init() {
  program_.OpenMainWindow();
}

void ImagingPagesTest::cleanup() {
  program_.CloseMainWindow();
  program_.disks->UseAsSystemDisks();
  program_.CheckDisksUnchanged();
}

gui::CCreateImageItems* ImagingPagesTest::OpenSourceSelection() {
  program_.main->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
  if (!Click(program_.main.get(), "createImageButton")) return nullptr;
  return FindWindow<gui::CCreateImageItems>();
}

gui::CDiskClone* ImagingPagesTest::OpenCloningPage(const QStringList& disks) {
  qputenv("KESTREL_NSS_DISKS", disks.join(QLatin1Char(platform::DiskListSeparator())).toUtf8());
  program_.main->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
  if (!Click(program_.main.get(), "cloneDiskButton")) return nullptr;
  return FindWindow<gui::CDiskClone>();
}

void ImagingPagesTest::ImageEntry(gui::CCreateImageItems* items, const QString& entry,
                                  const QString& name) {
  auto* tree = items->findChild<QTreeWidget*>("sourceTree");
  tree->setCurrentItem(TreeEntry(tree, entry));
  ChooseFile("imageFileDialog", Scratch(name));
  QVERIFY(Click(items, "continueButton"));
}

QByteArray ImagingPagesTest::DiskBytes(qint64 firstSector, qint64 endSector) const {
  return FileBytes(program_.disks->Disk(0)).mid(firstSector * 512, (endSector - firstSector) * 512);
}

void ImagingPagesTest::theSourceTreeListsTheDisksWithTheirPools() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  QVERIFY(!program_.main->isVisible());
  QTreeWidgetItem* root = items->findChild<QTreeWidget*>("sourceTree")->topLevelItem(0);
  QCOMPARE(root->text(0), QStringLiteral("Physical Disks"));
  QCOMPARE(root->childCount(), 2);
  QCOMPARE(root->child(0)->text(0), QStringLiteral("Disk0"));
  QCOMPARE(root->child(0)->childCount(), 2);
  QCOMPARE(root->child(0)->child(0)->text(0), QStringLiteral("Pool:DATA"));
  QCOMPARE(root->child(0)->child(1)->text(0), QStringLiteral("Pool:ARCHIVE"));
  QCOMPARE(root->child(1)->text(0), QStringLiteral("Disk1"));
  QCOMPARE(root->child(1)->childCount(), 0);
  QVERIFY(Click(items, "backButton"));
  QVERIFY(program_.main->isVisible());
}

void ImagingPagesTest::theItemLinesFollowTheSelection() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  auto* tree = items->findChild<QTreeWidget*>("sourceTree");
  tree->setCurrentItem(tree->topLevelItem(0));
  QVERIFY(!IsEnabled(items, "continueButton"));
  QCOMPARE(LabelText(items, "itemSize"), QString());
  tree->setCurrentItem(TreeEntry(tree, "Disk0"));
  QVERIFY(IsEnabled(items, "continueButton"));
  QCOMPARE(LabelText(items, "itemSize"), QStringLiteral("Size                      :    35 MB"));
  QCOMPARE(LabelText(items, "itemStart"), QStringLiteral("Starting Sector :     0"));
  QCOMPARE(LabelText(items, "itemEnd"), QStringLiteral("Ending Sector   :     71680"));
  tree->setCurrentItem(TreeEntry(tree, "Pool:DATA"));
  // the sector of the pool's partition header, byte 1048576
  QCOMPARE(LabelText(items, "itemStart"), QStringLiteral("Starting Sector :     2048"));
  const qint64 dataEnd = LineNumber(items, "itemEnd");
  tree->setCurrentItem(TreeEntry(tree, "Pool:ARCHIVE"));
  QCOMPARE(LineNumber(items, "itemStart"), 34816);
  QVERIFY2(2048 < dataEnd && dataEnd <= 34816, "a pool ends where its partition does");
  QVERIFY(LineNumber(items, "itemEnd") <= kDemoDiskSectors);
  tree->setCurrentItem(tree->topLevelItem(0));
  QVERIFY(!IsEnabled(items, "continueButton"));
  QVERIFY(Click(items, "homeButton"));
  QVERIFY(program_.main->isVisible());
}

// A clean image must not look like a failed one: processed, remaining and bad squares differ in
// colour, and a bad square also by its cross; the legend paints each state as the grid does.
void ImagingPagesTest::theGridTellsProcessedRemainingAndBadApart() {
  QWidget page;
  gui::ProgressGridView grid(gui::ProgressGridView::Palette::Imaging, &page);
  QWidget* legend = gui::SymbolsLegend(grid, &page);
  imaging::ProgressGrid states(100000);
  states.SetState(0, imaging::BlockState::Processed);
  states.SetState(1, imaging::BlockState::Bad);
  states.SetState(2, imaging::BlockState::Current);
  grid.Show(states);
  const QImage painted = grid.grab().toImage();
  const auto colourAt = [&](int square, int dx, int dy) {
    return painted.pixelColor(grid.SquareRect(square).topLeft() + QPoint(dx, dy));
  };
  const QColor processed = colourAt(0, 3, 1);
  const QColor bad = colourAt(1, 3, 1);
  const QColor remaining = colourAt(3, 3, 1);
  QCOMPARE(remaining, QColor(Qt::white));
  QVERIFY2(qAbs(processed.hue() - bad.hue()) > 90, "processed is no shade of the bad red");
  QCOMPARE(bad, QColor(255, 0, 0));
  QCOMPARE(colourAt(1, 3, 3), QColor(Qt::white));  // on the cross
  QCOMPARE(colourAt(0, 3, 3), processed);
  QVERIFY(colourAt(2, 3, 1) != processed && colourAt(2, 3, 1) != bad);

  const QImage key = legend->grab().toImage();
  QSet<QRgb> keyColours;
  for (int y = 0; y < key.height(); ++y)
    for (int x = 0; x < key.width(); ++x) keyColours.insert(key.pixel(x, y));
  for (const QColor& colour : {processed, bad, colourAt(2, 3, 1)})
    QVERIFY2(keyColours.contains(colour.rgb()), qPrintable(colour.name()));
  const QStringList captions = [&] {
    QStringList texts;
    for (auto* label : legend->findChildren<QLabel*>()) texts << label->text();
    return texts;
  }();
  for (const char* caption : {"Bad Block(s)", "Block(s) Remaining", "Processed Block(s)"})
    QVERIFY(captions.contains(QString::fromLatin1(caption)));
}

// ".IMG" is added to the chosen name; the image is the disk's bytes; the grid is painted
// processed; the map file lies beside; Continue opens the disk scan page on the image.
void ImagingPagesTest::aDiskIsImagedToAFileIdenticalToIt() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  ImageEntry(items, "Disk0", "whole");
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY(page);
  QVERIFY(!items->isVisible());
  const QSize whileRunning = page->size();
  QVERIFY(Finished(page, "stopButton"));
  const QString image = Scratch("whole.IMG");
  QVERIFY(FileBytes(image) == FileBytes(program_.disks->Disk(0)));
  QVERIFY(QFile::exists(image + ".map"));
  QCOMPARE(LabelText(page, "imageSize"), QStringLiteral("35 MB"));
  QVERIFY2(
      LabelText(page, "statusText").remove(QChar(0x200B)).contains(Sha256Hex(FileBytes(image))),
      qPrintable(LabelText(page, "statusText")));
  QTest::qWait(50);  // a layout that grew would have resized the page by now
  // The figures may widen their column by a digit; the result line, a path and a SHA-256 long,
  // wraps instead of widening the page.
  QVERIFY2(page->width() <= whileRunning.width() + 16,
           qPrintable(QStringLiteral("%1 -> %2").arg(whileRunning.width()).arg(page->width())));
  QVERIFY(AllSquaresAre(page, imaging::BlockState::Processed));
  QCOMPARE(PaintedColour(page, 0), QColor(0, 114, 178));
  // the last square
  QCOMPARE(PaintedColour(page, 1763), QColor(0, 114, 178));
  QVERIFY(!page->findChild<QPushButton*>("stopButton")->isVisible());
  QVERIFY(IsEnabled(page, "homeButton") && IsEnabled(page, "backButton"));

  QVERIFY(Click(page, "continueButton"));
  auto* scan = FindWindow<gui::CScanDisk>();
  QVERIFY(scan);
  QVERIFY(QTest::qWaitFor([scan] { return IsEnabled(scan, "homeButton"); }, kTimeout));
  QVERIFY(Click(scan, "backButton"));
  QVERIFY(page->isVisible());
  QVERIFY(Click(page, "backButton"));
  QVERIFY2(items->isVisible(), "Back shows the source selection again");
  QVERIFY(Click(items, "homeButton"));
  QVERIFY(program_.main->isVisible());
}

// An E01 of the disk: a rescue is not offered for it, a segment size that cannot be used is refused
// in the dialog of case fields, and the evidence file reads back as the disk, with the fields and
// the disk's MD5 stored in it.
void ImagingPagesTest::aDiskIsImagedToAnEvidenceFileWithTheCaseFields() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  auto* format = items->findChild<QComboBox*>("formatBox");
  if (!imaging::WritesEwf()) {
    QCOMPARE(format->count(), 1);
    QVERIFY(!format->isEnabled());
    QSKIP("SKIPPED: this build writes raw images only, and offers no other format");
  }
  auto* rescue = items->findChild<QCheckBox*>("rescueBox");
  rescue->setChecked(true);
  format->setCurrentIndex(1);
  QVERIFY(!rescue->isEnabled() && !rescue->isChecked());
  bool refused = false;
  WhenModal("EvidenceFileDialog", [&refused](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("caseNumberEdit")->setText(QStringLiteral("CASE-11"));
    dialog->findChild<QLineEdit*>("examinerEdit")->setText(QStringLiteral("Zoë Ångström"));
    dialog->findChild<QLineEdit*>("segmentSizeEdit")->setText(QStringLiteral("12q"));
    Click(dialog, "okButton");
    refused = dialog->isVisible() && LabelText(dialog, "refusalText").contains("12q");
    dialog->findChild<QLineEdit*>("segmentSizeEdit")->setText(QStringLiteral("1m"));
    Click(dialog, "okButton");
  });
  ImageEntry(items, "Disk0", "evidence.e01");
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY(page && Finished(page, "stopButton"));
  QVERIFY(refused);
  const disk::OpenedSource e01 = disk::OpenSource(Scratch("evidence.E01").toStdString());
  QVERIFY2(e01.status.ok(), e01.status.message.c_str());
  QCOMPARE(e01.container, disk::ContainerKind::Ewf);
  const QByteArray original = FileBytes(program_.disks->Disk(0));
  QByteArray read(original.size(), '\0');
  QVERIFY(e01.reader.ReadAt(0, std::span(reinterpret_cast<std::uint8_t*>(read.data()),
                                         static_cast<std::size_t>(read.size()))));
  QVERIFY(read == original);
  const QString md5 =
      QString::fromLatin1(QCryptographicHash::hash(original, QCryptographicHash::Md5).toHex());
  QStringList facts;
  for (const std::string& fact : e01.containerFacts) facts << QString::fromStdString(fact);
  for (const QString& fact :
       {QStringLiteral("Case number: CASE-11"), QStringLiteral("Examiner: Zoë Ångström"),
        "MD5 stored in the evidence file: " + md5})
    QVERIFY2(facts.contains(fact), qPrintable(facts.join('\n')));
  QVERIFY(Click(page, "homeButton"));
}

// "Rescue a failing disk" images the pool good areas first; an image whose map says half of it is
// still to be read is offered for resuming, and the resumed run reads that half.
void ImagingPagesTest::aRescueIsResumedFromTheMapBesideTheImage() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  items->findChild<QCheckBox*>("rescueBox")->setChecked(true);
  ImageEntry(items, "Pool:ARCHIVE", "rescued");
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY(page && Finished(page, "stopButton"));
  QVERIFY2(LabelText(page, "statusText").startsWith("Image rescued:"),
           qPrintable(LabelText(page, "statusText")));
  const QString image = Scratch("rescued.IMG");
  const QByteArray whole = FileBytes(image);
  QVERIFY(!whole.isEmpty());
  QVERIFY(Click(page, "backButton"));

  // Half of the image lost, and the map says so, as after a run killed halfway.
  const qint64 half = whole.size() / 2 / 512 * 512;
  QVERIFY(WriteFile(image, Filled(half, 0) + whole.mid(half)));
  QVERIFY(WriteFile(image + ".map", TwoRunMap(half, '?', whole.size(), '+')));
  AnswerModal("ResumeRescue", "yesButton");
  ImageEntry(items, "Pool:ARCHIVE", "rescued");
  page = FindWindow<gui::CImageCreation>();
  QVERIFY(page && Finished(page, "stopButton"));
  QVERIFY(FileBytes(image) == whole);
  QVERIFY(program_.disks->LogText().contains("Rescue imaging resumed"));
  QVERIFY(Click(page, "backButton"));

  // No to resuming and Yes to replacing reads everything again, whatever the old map says: here
  // that its zeros are finished.
  QVERIFY(WriteFile(image, Filled(half, 0) + whole.mid(half)));
  QVERIFY(WriteFile(image + ".map", TwoRunMap(half, '+', whole.size(), '?')));
  AnswerModal("ResumeRescue", "noButton");
  AnswerModal("FileExist", "yesButton");
  ImageEntry(items, "Pool:ARCHIVE", "rescued");
  page = FindWindow<gui::CImageCreation>();
  QVERIFY(page && Finished(page, "stopButton"));
  QVERIFY2(FileBytes(image) == whole, "a replaced image holds the source, not the old image");
  QVERIFY(Click(page, "homeButton"));
  QVERIFY(program_.main->isVisible());
}

void ImagingPagesTest::anExistingImageIsReplacedOnlyOnYes() {
  const QString existing = Scratch("existing.IMG");
  QVERIFY(WriteFile(existing, "old image"));
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  AnswerModal("FileExist", "noButton");
  ImageEntry(items, "Pool:ARCHIVE", "existing");
  QVERIFY(!FindWindow<gui::CImageCreation>());
  QCOMPARE(FileBytes(existing), QByteArray("old image"));
  QCOMPARE(TakeModalFailures(), QStringList());

  ImageEntry(items, "Pool:ARCHIVE", "existing.IMG");
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY2(page, "existing.IMG.IMG is a new name: no question");
  QVERIFY(Finished(page, "stopButton"));
  const QByteArray pool = DiskBytes(LineNumber(items, "itemStart"), LineNumber(items, "itemEnd"));
  QVERIFY(FileBytes(Scratch("existing.IMG.IMG")) == pool);
  QVERIFY(Click(page, "backButton"));

  AnswerModal("FileExist", "yesButton");
  ImageEntry(items, "Pool:ARCHIVE", "existing");
  page = FindWindow<gui::CImageCreation>();
  QVERIFY(page);
  QVERIFY(Finished(page, "stopButton"));
  QVERIFY(FileBytes(existing) == pool);
  QVERIFY(Click(page, "homeButton"));
  QVERIFY(program_.main->isVisible());
}

void ImagingPagesTest::aDestinationWithoutRoomIsRefused() {
  const QString small = Scratch("small");
  QVERIFY(QDir().mkpath(small));
  const SmallFileSystem mounted(small, 1024);
  if (!mounted.WhyNot().isEmpty()) QSKIP(qPrintable("SKIPPED: " + mounted.WhyNot()));
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  QString said;
  WhenModal("InsufficientSpace", [&said](QWidget* notice) {
    said = notice->findChild<QLabel*>()->text();
    Click(notice, "okButton");
  });
  ImageEntry(items, "Disk0", "small/disk");
  const bool imaged = FindWindow<gui::CImageCreation>() != nullptr;
  const bool created = QFile::exists(small + "/disk.IMG");
  QCOMPARE(said, QStringLiteral("Insufficient drive space at destination location."));
  QVERIFY(!imaged);
  QVERIFY2(!created, "nothing is created");
  QVERIFY(items->isVisible());
}

// An image of the pool that holds its first half already, on a file system with room for the
// second half but not for a whole new image: the rescue resumes and fills it.
void ImagingPagesTest::aRescueIsResumedWhereThereIsRoomOnlyForWhatIsMissing() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  items->findChild<QTreeWidget*>("sourceTree")
      ->setCurrentItem(TreeEntry(items->findChild<QTreeWidget*>("sourceTree"), "Pool:ARCHIVE"));
  const QByteArray pool = DiskBytes(LineNumber(items, "itemStart"), LineNumber(items, "itemEnd"));
  const qint64 half = pool.size() / 2 / 512 * 512;
  const QString small = Scratch("room");
  QVERIFY(QDir().mkpath(small));
  // Room for the whole pool and 1 MiB, less the half the image holds already.
  const SmallFileSystem mounted(small, pool.size() / 1024 + 1024);
  if (!mounted.WhyNot().isEmpty()) QSKIP(qPrintable("SKIPPED: " + mounted.WhyNot()));
  const QString image = small + "/rescued.IMG";
  QFile sparse(image);
  const bool prepared = WriteFile(image, pool.left(half)) && sparse.resize(pool.size()) &&
                        WriteFile(image + ".map", TwoRunMap(half, '+', pool.size(), '?'));
  AnswerModal("ResumeRescue", "yesButton");
  ImageEntry(items, "Pool:ARCHIVE", "room/rescued");
  auto* page = FindWindow<gui::CImageCreation>();
  const bool finished = page && Finished(page, "stopButton");
  const bool whole = FileBytes(image) == pool;
  if (page) Click(page, "backButton");
  QVERIFY(prepared);
  QVERIFY2(page, "the resume is not refused for want of room");
  QVERIFY(finished && whole);
}

// The page is made on a source whose reads the test lets through, so that Stop comes while the
// imaging runs.
void ImagingPagesTest::stopAnsweredNoGoesOnAndYesStops() {
  auto gate =
      std::make_shared<GatedSource>(disk::OpenSource(program_.disks->Disk(0).toStdString()).reader);
  gate->Allow(3);
  const QString image = Scratch("stopped.IMG");
  gui::CImageCreation page(
      {disk::PhysicalDriveName(0), {0, kDemoDiskSectors}, false, image.toStdString()},
      {disk::DiskReader(gate), {}}, *program_.log, nullptr);
  page.show();
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting() && gate->Passed() == 3; }, kTimeout));

  // While the question is on screen the run waits at its next chunk: of the reads let through
  // meanwhile only the one it was in goes on.
  int passedWhileAsked = -1;
  WhenModal("PressesStopScan", [&](QWidget* question) {
    gate->Allow(2);
    QTest::qWait(300);
    passedWhileAsked = gate->Passed() - 3;
    Click(question, "noButton");
  });
  QVERIFY(Click(&page, "stopButton"));
  QVERIFY2(passedWhileAsked <= 1, qPrintable(QString::number(passedWhileAsked)));
  QVERIFY(IsEnabled(&page, "stopButton"));
  QVERIFY(!IsEnabled(&page, "homeButton") && !IsEnabled(&page, "backButton"));
  AnswerModal("StopScanning", "okButton");
  static_cast<QDialog&>(page).reject();
  QVERIFY2(page.isVisible(), "closing while the worker runs keeps the page");
  QVERIFY(QTest::qWaitFor([&] { return gate->Waiting() && gate->Passed() == 5; }, kTimeout));
  QVERIFY(QTest::qWaitFor(
      [&] { return LabelText(&page, "progressDetail").contains(" of 35.00 MB"); }, kTimeout));

  AnswerModal("PressesStopScan", "yesButton");
  QVERIFY(Click(&page, "stopButton"));
  gate->Open();
  QVERIFY(Finished(&page, "stopButton"));
  QVERIFY(page.findChild<QPushButton*>("continueButton")->isVisible());
  const QByteArray written = FileBytes(image);
  QVERIFY(!written.isEmpty() && written.size() < kDemoDiskSectors * 512);
  QVERIFY2(written == DiskBytes(0, written.size() / 512), "the chunks read are all written");
  QVERIFY2(LabelText(&page, "statusText").startsWith("Image creation stopped"),
           qPrintable(LabelText(&page, "statusText")));
  QCOMPARE(LabelText(&page, "progressDetail"), QString());  // no time left after the end
  QVERIFY(program_.disks->LogText().contains("\nImage creation stopped\n"));
  const auto& states = page.findChild<gui::ProgressGridView*>()->States();
  QCOMPARE(states.front(), imaging::BlockState::Processed);
  QCOMPARE(states.back(), imaging::BlockState::Remaining);
  QVERIFY(Click(&page, "homeButton"));
  QCOMPARE(page.result(), static_cast<int>(app::PageResult::BackToMainWindow));
}

void ImagingPagesTest::continueOpensThePoolPageOnAPoolImage() {
  auto* items = OpenSourceSelection();
  QVERIFY(items);
  ImageEntry(items, "Pool:DATA", "data");
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY(page);
  QVERIFY(Finished(page, "stopButton"));
  QVERIFY(FileBytes(Scratch("data.IMG")) ==
          DiskBytes(LineNumber(items, "itemStart"), LineNumber(items, "itemEnd")));
  QVERIFY(Click(page, "continueButton"));
  auto* pool = FindWindow<gui::CpoolIterator>();
  QVERIFY(pool);
  QVERIFY(QTest::qWaitFor(
      [pool] { return !pool->findChild<QPushButton*>("stopButton")->isVisible(); }, kTimeout));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(pool, "homeButton"));
  // Home on the pool page leads back through every imaging page.
  QVERIFY(QTest::qWaitFor([this] { return program_.main->isVisible(); }, kTimeout));
}

// Two image files stand for the disks: the demo disk and a larger one full of old bytes.
void ImagingPagesTest::aDiskIsClonedOntoAnother() {
  const QString target = Scratch("target.img");
  const qint64 extra = 1 << 20;
  QVERIFY(WriteFile(target, Filled(kDemoDiskSectors * 512 + extra, '\xEE')));
  auto* page = OpenCloningPage({program_.disks->Disk(0), target});
  QVERIFY(page);
  auto* source = page->findChild<QComboBox*>("sourceList");
  auto* destination = page->findChild<QComboBox*>("destinationList");
  QCOMPARE(source->count(), 2);
  // The image files have no model: their paths tell them apart.
  QCOMPARE(source->itemText(0), program_.disks->Disk(0) + " [] 35.00 MB (Disk 0)");
  QCOMPARE(destination->itemText(1), target + " [] 36.00 MB (Disk 1)");
  QCOMPARE(source->currentIndex(), -1);
  QVERIFY(!IsEnabled(page, "startCloningButton"));
  source->setCurrentIndex(0);
  destination->setCurrentIndex(1);
  QVERIFY(IsEnabled(page, "startCloningButton"));
  QCOMPARE(LabelText(page, "refusalText"), QString());
  QCOMPARE(LabelText(page, "blockSize"), QStringLiteral("0.020 MB"));

  AnswerModal("CCloneWarningMessage", "yesButton");
  QVERIFY(Click(page, "startCloningButton"));
  QVERIFY(Finished(page, "stopCloningButton"));
  const QByteArray written = FileBytes(target);
  QVERIFY(written.left(kDemoDiskSectors * 512) == FileBytes(program_.disks->Disk(0)));
  QVERIFY2(written.mid(kDemoDiskSectors * 512) == Filled(extra, '\xEE'),
           "past the source's end nothing changes");
  QCOMPARE(LabelText(page, "statusText"),
           QStringLiteral("Disk1 is a copy of Disk0: 71680 sectors, 0 unreadable sectors written "
                          "as zeros."));
  QCOMPARE(LabelText(page, "processed"), QStringLiteral("71680 of 71680 sectors, 0 unreadable"));
  QVERIFY(AllSquaresAre(page, imaging::BlockState::Processed));
  QCOMPARE(PaintedColour(page, 100), QColor(183, 206, 0));
  QVERIFY2(!IsEnabled(page, "startCloningButton"), "until the choice changes");
  QVERIFY(source->isEnabled() && IsEnabled(page, "homeButton"));
  QVERIFY(program_.disks->LogText().contains("\nStarted disk cloning\n"));
  QVERIFY(Click(page, "homeButton"));
  QVERIFY(program_.main->isVisible());
}

void ImagingPagesTest::unsafeClonesAreRefused() {
  const QString target = Scratch("refused.img");
  const QByteArray old = Filled(kDemoDiskSectors * 512, '\xEE');
  QVERIFY(WriteFile(target, old));
  const QString demo = program_.disks->Disk(0);
  const qsizetype clonesBefore = program_.disks->LogText().count("Started disk cloning");
  auto* page = OpenCloningPage({demo, target, program_.disks->Disk(1), demo});
  QVERIFY(page);
  auto* source = page->findChild<QComboBox*>("sourceList");
  auto* destination = page->findChild<QComboBox*>("destinationList");
  source->setCurrentIndex(0);
  destination->setCurrentIndex(0);
  QVERIFY2(!IsEnabled(page, "startCloningButton"), "the source itself");
  destination->setCurrentIndex(2);
  QVERIFY2(!IsEnabled(page, "startCloningButton"), "a smaller disk");
  QVERIFY(LabelText(page, "refusalText").contains("is smaller than Disk0"));

  QString said;
  const auto takeRefusal = [&said](QWidget* notice) {
    said = notice->findChild<QLabel*>()->text();
    Click(notice, "okButton");
  };
  destination->setCurrentIndex(3);
  QVERIFY(LabelText(page, "refusalText").contains("are the same device"));
  WhenModal("CloneRefused", takeRefusal);
  QVERIFY(Click(page, "startCloningButton"));
  QVERIFY2(said.contains("are the same device"), qPrintable(said));

  destination->setCurrentIndex(1);
  QVERIFY(WriteFile(target, old + Filled(512, '\xEE')));
  WhenModal("CloneRefused", takeRefusal);
  QVERIFY(Click(page, "startCloningButton"));
  QVERIFY2(said.contains("its size or serial number changed"), qPrintable(said));
  // the lists are made again
  QCOMPARE(destination->currentIndex(), -1);
  QVERIFY(!IsEnabled(page, "startCloningButton"));

  source->setCurrentIndex(0);
  destination->setCurrentIndex(1);
  AnswerModal("CCloneWarningMessage", "noButton");
  QVERIFY(Click(page, "startCloningButton"));
  QVERIFY2(program_.disks->LogText().count("Started disk cloning") == clonesBefore,
           "refused or declined: nothing starts");
  QVERIFY(FileBytes(target) == old + Filled(512, '\xEE'));
  QVERIFY(Click(page, "backButton"));
  QVERIFY(program_.main->isVisible());
}

void ImagingPagesTest::closingTheCloningPageDuringARunAsksToStopFirst() {
  const QString target = Scratch("closing.img");
  QVERIFY(WriteFile(target, Filled(kDemoDiskSectors * 512, '\xEE')));
  auto* page = OpenCloningPage({program_.disks->Disk(0), target});
  QVERIFY(page);
  const auto start = [page] {
    page->findChild<QComboBox*>("sourceList")->setCurrentIndex(0);
    page->findChild<QComboBox*>("destinationList")->setCurrentIndex(1);
    AnswerModal("CCloneWarningMessage", "yesButton");
    return Click(page, "startCloningButton");
  };
  QVERIFY(start());
  AnswerModal("StopCloningQuestion", "noButton");
  static_cast<QDialog*>(page)->reject();
  QVERIFY2(page->isVisible(), "No: the clone goes on and the page stays");
  QVERIFY(Finished(page, "stopCloningButton"));
  page->findChild<QComboBox*>("destinationList")->setCurrentIndex(-1);

  QVERIFY(start());
  QSignalSpy closed(page, &QDialog::finished);
  AnswerModal("StopCloningQuestion", "yesButton");
  static_cast<QDialog*>(page)->reject();
  QVERIFY(QTest::qWaitFor([&] { return closed.count() == 1; }, kTimeout));
  QVERIFY(program_.main->isVisible());
  QCOMPARE(TakeModalFailures(), QStringList());
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::ImagingPagesTest)
#include "tst_ImagingPages.moc"
