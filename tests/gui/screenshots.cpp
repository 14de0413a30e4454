// SPDX-License-Identifier: Apache-2.0
// kestrel-nss-screenshots FOLDER: opens the desktop program's pages on the demo disks, as a person
// would, and saves a picture of each into FOLDER for the README: the main window, the media page,
// the volume page with files ticked and one in the hex viewer, a picture previewed, the pool page
// with its deleted volume, the disk scan page, a volume scan and the imaging page in the middle of
// their runs, and the grid of a finished image. Run under Xvfb by scripts/screenshots, where each
// picture is taken with ImageMagick's import; the Windows build, run under Wine by
// scripts/screenshots-windows, has no import to start, and saves what Qt draws of the window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdio>

#include "DemoDisks.h"
#include "Driving.h"
#include "GatedSource.h"
#include "app/LogReport.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"
#include "gui/app/ProgramSetup.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/imaging/CImageCreation.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/viewers/PreviewArea.h"
#include "gui/volume/LeafIterator.h"
#include "volume/ChosenVolume.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 60000;

// What Qt draws of the window on Windows (under Wine no import can be started), else what the X
// server shows of it.
bool Take(QWidget* window, const QString& path) {
  if (QGuiApplication::platformName() == QLatin1String("windows")) return window->grab().save(path);
  QProcess import;
  import.start(QStringLiteral("import"),
               {"-window", QString::number(window->winId()), "-strip", path});
  return import.waitForFinished(30000) && import.exitCode() == 0;
}

bool Shoot(QWidget* window, const QString& path) {
  QTest::qWait(400);  // icons and the last repaint
  if (Take(window, path)) return true;
  std::fprintf(stderr, "taking the picture failed for %s\n", qPrintable(path));
  return false;
}

// Picks the file in the list, and waits until its preview is on show.
bool Preview(QWidget* page, const QString& name) {
  auto* list = page->findChild<QTableView*>("fileList");
  list->setCurrentIndex(ChildNamed(list->model(), {}, name));
  auto* area = page->findChild<gui::PreviewArea*>("previewArea");
  return QTest::qWaitFor([area] { return area->Current() != nullptr; }, kTimeout);
}

// The media page, with the entry of that label chosen.
gui::CInitialInfo* MediaPageAt(const QString& label) {
  auto* media = FindWindow<gui::CInitialInfo>();
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  tree->setCurrentItem(TreeEntry(tree, label));
  return media;
}

bool ShootVolumePage(const QDir& out) {
  Click(MediaPageAt("Volume:VOL1"), "continueButton");
  auto* page = FindWindow<gui::LeafIterator>();
  if (!page || !WorkDone(page)) return false;
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex docs = ChildNamed(tree->model(), tree->model()->index(0, 0), "DOCS");
  ClickCheck(tree, docs);
  tree->setCurrentIndex(docs);
  bool shot = Preview(page, "readme.txt") && Shoot(page, out.filePath("volume-page.png"));
  tree->setCurrentIndex(ChildNamed(tree->model(), tree->model()->index(0, 0), "IMAGES"));
  shot =
      shot && Preview(page, "floor-plan.png") && Shoot(page, out.filePath("picture-preview.png"));
  WhenModal("CFileMask", [](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("maskPatterns")->setText(QStringLiteral("*.doc;*.xls"));
    Click(dialog, "okButton");
  });
  shot = shot && Click(page, "maskButton") && WorkDone(page) &&
         Shoot(page, out.filePath("masked-volume-page.png"));
  AnswerModal("savescanDialog", "noButton");
  Click(page, "backButton");
  return shot && QTest::qWaitFor([] { return FindWindow<gui::CInitialInfo>(); }, kTimeout);
}

bool ShootPoolPage(const QDir& out) {
  Click(MediaPageAt("Pool:ARCHIVE"), "continueButton");
  auto* page = FindWindow<gui::CpoolIterator>();
  if (!page || !WorkDone(page)) return false;
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex deleted =
      ChildNamed(tree->model(), tree->model()->index(0, 0), "OLDPROJ (deleted)");
  tree->expand(deleted);
  tree->setCurrentIndex(ChildNamed(tree->model(), deleted, "SPECS"));
  const bool shot = Shoot(page, out.filePath("pool-page.png"));
  AnswerModal("savescanDialog", "noButton");
  Click(page, "backButton");
  return shot && QTest::qWaitFor([] { return FindWindow<gui::CInitialInfo>(); }, kTimeout);
}

bool ShootDiskScanPage(const QDir& out) {
  Click(MediaPageAt("Disk1"), "continueButton");
  auto* page = FindWindow<gui::CScanDisk>();
  if (!page || !WorkDone(page)) return false;
  auto* tree = page->findChild<QTreeWidget*>("diskTree");
  tree->setCurrentItem(TreeEntry(tree, "Pool :    SPARE"));
  const bool shot = Shoot(page, out.filePath("disk-scan-page.png"));
  Click(page, "backButton");
  return shot && QTest::qWaitFor([] { return FindWindow<gui::CInitialInfo>(); }, kTimeout);
}

// A disk with one volume of 20,000 files in 200 folders, whose chain of tree blocks is long
// enough to be caught halfway.
QString MakeLargeDisk(const DemoDisks& disks) {
  const QString layout = disks.Scratch(QStringLiteral("large.json"));
  const QString image = disks.Scratch(QStringLiteral("large.img"));
  QFile file(layout);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(R"({"disks": [{"partitions": [{"sizeSectors": 262144, "pool": {"name": "LARGE",
    "volumes": [{"names": ["STAFF"], "generate": {"folders": 200, "files": 20000,
    "nameLength": 12, "fileSize": 100, "sharedData": true}}]}}, {"sizeSectors": 2048}]}]})");
  file.close();
  QProcess mkimage;
  mkimage.start(QStringLiteral(KESTREL_MKIMAGE), {"--layout", layout, "--out", image});
  return mkimage.waitForFinished(120000) && mkimage.exitCode() == 0 ? image : QString();
}

// The volume scan of the large disk held a third of the way: the bar moves without a
// percentage, beside the blocks read and the rate, and the tree has its first folders.
bool ShootRunningScan(const DemoDisks& disks, const app::LogReport& log, const QDir& out) {
  const QString image = MakeLargeDisk(disks);
  if (image.isEmpty()) return false;
  const disk::DiskReader reader = disk::OpenSource(image.toStdString()).reader;
  const disk::DiskEntry entry = disk::DiscoverDisk(0, reader, image.toStdString(), log);
  if (entry.pools.empty() || entry.pools[0].volumes.empty()) return false;
  const auto gate = std::make_shared<GatedSource>(reader);
  gate->Close();
  gui::LeafIterator page(
      volume::ChosenVolume(entry.pools[0].volumes[0], entry.chain, disk::DiskReader(gate)), log,
      nullptr);
  page.show();
  for (int read = 0; read < 240; ++read) {  // a slow disk, so that the page follows each block
    gate->Allow(1);
    QTest::qWait(10);
  }
  const bool held = QTest::qWaitFor([&] { return gate->Waiting(); }, kTimeout);
  QTest::qWait(600);  // the last folders reach the page
  const bool shot = held && Shoot(&page, out.filePath("volume-scan-running.png"));
  gate->Open();
  AnswerModal("savescanDialog", "noButton");
  return shot && WorkDone(&page) && Click(&page, "homeButton");
}

// Disk0 imaged, held at a read two fifths of the way, so that the grid shows every kind of block
// but the bad one; then let go to its end.
bool ShootImagingPage(const DemoDisks& disks, const app::LogReport& log, const QDir& out) {
  constexpr int kHeldAt = 700;  // of 1764 squares, one read each
  auto gate = std::make_shared<GatedSource>(disk::OpenSource(disks.Disk(0).toStdString()).reader);
  gate->Allow(kHeldAt);
  gui::CImageCreation page({disk::PhysicalDriveName(0),
                            {0, 71680},
                            false,
                            disks.Scratch(QStringLiteral("screenshot.IMG")).toStdString()},
                           {disk::DiskReader(gate), {}}, log, nullptr);
  page.show();
  const bool held =
      QTest::qWaitFor([&] { return gate->Passed() == kHeldAt && gate->Waiting(); }, kTimeout);
  bool shot = held && Shoot(&page, out.filePath("imaging-page.png"));
  gate->Open();
  shot = shot && QTest::qWaitFor([&] { return IsEnabled(&page, "homeButton"); }, kTimeout) &&
         Shoot(&page, out.filePath("imaging-finished.png"));
  return shot && Click(&page, "homeButton");
}

int Run(const QDir& out) {
  DemoDisks disks;
  if (!disks.error().isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(disks.error()));
    return 1;
  }
  disks.UseAsSystemDisks();
  const app::LogReport log(qEnvironmentVariable("KESTREL_NSS_LOG").toStdString());
  gui::CKestrelNSSRecoveryDlg main(log);
  main.show();
  bool shot = QTest::qWaitForWindowExposed(&main) && Shoot(&main, out.filePath("main-window.png"));
  Click(&main, "freshRecoveryButton");
  auto* media = MediaPageAt("Disk0");
  shot = shot && Shoot(media, out.filePath("media-page.png"));
  shot = shot && ShootVolumePage(out) && ShootPoolPage(out) && ShootDiskScanPage(out);
  Click(FindWindow<gui::CInitialInfo>(), "homeButton");
  shot = shot && ShootRunningScan(disks, log, out) && ShootImagingPage(disks, log, out);
  return shot && TakeModalFailures().isEmpty() ? 0 : 1;
}

}  // namespace
}  // namespace kestrel::guitest

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrel-nss-screenshots FOLDER\n");
    return 2;
  }
  kestrel::gui::PrepareProgram(app);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("."))) return 1;
  return kestrel::guitest::Run(out);
}
