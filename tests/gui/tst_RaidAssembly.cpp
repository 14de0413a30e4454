// SPDX-License-Identifier: Apache-2.0
// "Assemble RAID..." on the media page: the members of a RAID 5 set cut from demo disk 0, one of
// them missing, put in order in the dialog; the set is listed as a disk of its own and its volume
// scans to the same listing as the disk itself. A set that cannot be read is refused in the
// dialog with its reason.
#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "DemoProgram.h"
#include "Driving.h"
#include "disk/raid/AssembledSets.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/imaging/CCreateImageItems.h"
#include "gui/imaging/CImageCreation.h"
#include "gui/volume/LeafIterator.h"

namespace kestrel::guitest {
namespace {

constexpr int kMembers = 4;
constexpr int kLeftOut = 2;

QByteArray Digest(const QString& path) {
  return QCryptographicHash::hash(FileBytes(path), QCryptographicHash::Sha256);
}

void ChooseInCombo(QWidget* dialog, const char* name, const QString& text) {
  auto* combo = dialog->findChild<QComboBox*>(name);
  combo->setCurrentIndex(combo->findText(text));
}

QStringList Members(QWidget* dialog) {
  auto* list = dialog->findChild<QListWidget*>("memberList");
  QStringList members;
  for (int row = 0; row < list->count(); ++row) members << list->item(row)->text();
  return members;
}

// The files and folders of a scanned volume page, folder by folder as the file list shows them.
void ListFolder(QTreeView* tree, QTableView* list, const QModelIndex& folder, const QString& path,
                QStringList& listing) {
  tree->scrollTo(folder);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(folder).center());
  const QAbstractItemModel* rows = list->model();
  for (int row = 0; row < rows->rowCount(); ++row) {
    listing << path + "/" + rows->index(row, 0).data().toString() + " " +
                   rows->index(row, 1).data().toString() + " " +
                   rows->index(row, 2).data().toString();
  }
  for (int row = 0; row < tree->model()->rowCount(folder); ++row) {
    const QModelIndex child = tree->model()->index(row, 0, folder);
    ListFolder(tree, list, child, path + "/" + child.data().toString(), listing);
  }
}

QStringList Listing(QWidget* page) {
  auto* tree = page->findChild<QTreeView*>("folderTree");
  auto* list = page->findChild<QTableView*>("fileList");
  QStringList listing{LabelText(page, "totalText")};
  const QModelIndex top = tree->model()->index(0, 0);
  ListFolder(tree, list, top, top.data().toString(), listing);
  return listing;
}

}  // namespace

class RaidAssemblyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void cleanupTestCase();
  void aRaid5SetWithAMemberMissingScansAsTheDiskDoes();
  void aSetAssembledOnceIsListedWhenAPageOpensAgain();
  void aVolumeOfTheSetRecoversEveryFileWhole();
  void theCreateImageTabImagesTheSetAsTheDisk();
  void theLayoutIsAskedOnlyOfParityLevels();
  void aSetThatCannotBeReadIsRefusedInTheDialog();
  void detectFindsTheGeometryOfMembersInAnyOrder();
  void cancelAddsNothing();
  void theManualNamesTheButtonsAsTheyRead();

 private:
  QString Member(int n) const;
  gui::CInitialInfo* OpenMediaPage();
  // The members put into the dialog out of order and moved into place, the geometry chosen and
  // OK pressed; the members as the dialog held them then.
  QStringList AssembleTheSet(QWidget* page);
  // The volume page of VOL1 on the media page's disk entry, scanned; nullptr if it did not open.
  gui::LeafIterator* OpenVolume(gui::CInitialInfo* media, QTreeWidgetItem* disk);
  // The scanned listing of VOL1 on the disk entry, the page left again.
  QStringList VolumeListing(gui::CInitialInfo* media, QTreeWidgetItem* disk);
  QString Expected() const { return program_.disks->ExpectedFolder("DATA", "VOL1"); }

  DemoProgram program_;
  QMap<QString, QByteArray> memberDigests_;
};

QString RaidAssemblyTest::Member(int n) const {
  return program_.disks->Scratch(QStringLiteral("member-%1.img").arg(n));
}

void RaidAssemblyTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
  QProcess mkimage;
  mkimage.start(
      QStringLiteral(KESTREL_MKIMAGE),
      {"stripe", "--image", program_.disks->Disk(0), "--prefix", program_.disks->Scratch("member-"),
       "--level", "5", "--layout", "left-symmetric", "--stripe", "64k", "--offset", "1m",
       "--members", QString::number(kMembers), "--leave-out", QString::number(kLeftOut)});
  QVERIFY(mkimage.waitForFinished(120000));
  QVERIFY2(mkimage.exitCode() == 0, mkimage.readAllStandardError().constData());
  for (int n = 0; n < kMembers; ++n)
    if (n != kLeftOut) memberDigests_[Member(n)] = Digest(Member(n));
}

// Each test is a run of its own: it starts with no set assembled.
void RaidAssemblyTest::init() {
  disk::ForgetAssembledSets();
  program_.OpenMainWindow();
}

void RaidAssemblyTest::cleanup() {
  program_.CloseMainWindow();
}

void RaidAssemblyTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
  for (auto it = memberDigests_.begin(); it != memberDigests_.end(); ++it)
    QVERIFY2(Digest(it.key()) == it.value(), qPrintable(it.key() + " was written to"));
}

gui::CInitialInfo* RaidAssemblyTest::OpenMediaPage() {
  if (!Click(program_.main.get(), "freshRecoveryButton")) return nullptr;
  return FindWindow<gui::CInitialInfo>();
}

gui::LeafIterator* RaidAssemblyTest::OpenVolume(gui::CInitialInfo* media, QTreeWidgetItem* disk) {
  const auto volumes = media->findChild<QTreeWidget*>("mediaTree")
                           ->findItems("Volume:VOL1", Qt::MatchExactly | Qt::MatchRecursive);
  for (QTreeWidgetItem* volume : volumes) {
    if (volume->parent()->parent() != disk) continue;
    volume->treeWidget()->setCurrentItem(volume);
    if (!Click(media, "continueButton")) return nullptr;
    auto* page = FindWindow<gui::LeafIterator>();
    return page && WorkDone(page) ? page : nullptr;
  }
  return nullptr;
}

QStringList RaidAssemblyTest::VolumeListing(gui::CInitialInfo* media, QTreeWidgetItem* disk) {
  gui::LeafIterator* page = OpenVolume(media, disk);
  if (!page) return {"VOL1 of " + disk->text(0) + " did not open and scan"};
  const QStringList listing = Listing(page);
  AnswerModal("savescanDialog", "noButton");
  if (!Click(page, "backButton") || !QTest::qWaitFor([media] { return media->isVisible(); }, 20000))
    return {"Back did not show the media page again"};
  return listing;
}

QStringList RaidAssemblyTest::AssembleTheSet(QWidget* page) {
  QStringList ordered;
  WhenModal("raidAssemblyDialog", [this, &ordered](QWidget* dialog) {
    for (const int n : {0, 3, 1}) {
      ChooseFile("raidMemberFileDialog", Member(n));
      Click(dialog, "addImageButton");
    }
    Click(dialog, "addMissingButton");
    Click(dialog, "upButton");  // 0 3 missing 1
    dialog->findChild<QListWidget*>("memberList")->setCurrentRow(1);
    Click(dialog, "downButton");  // 0 missing 3 1
    Click(dialog, "downButton");  // 0 missing 1 3
    dialog->findChild<QListWidget*>("memberList")->setCurrentRow(1);
    Click(dialog, "downButton");  // 0 1 missing 3
    ordered = Members(dialog);
    ChooseInCombo(dialog, "levelChoice", "5");
    ChooseInCombo(dialog, "layoutChoice", "left-symmetric");
    ChooseInCombo(dialog, "stripeChoice", "64k");
    dialog->findChild<QLineEdit*>("offsetEdit")->setText("1m");
    Click(dialog, "okButton");
  });
  if (!Click(page, "assembleRaidButton")) return {"Assemble RAID... is disabled"};
  return ordered;
}

void RaidAssemblyTest::aRaid5SetWithAMemberMissingScansAsTheDiskDoes() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  QTreeWidgetItem* root = tree->topLevelItem(0);
  QCOMPARE(AssembleTheSet(media), (QStringList{Member(0), Member(1), "missing", Member(3)}));
  QCOMPARE(TakeModalFailures(), QStringList());

  QCOMPARE(root->childCount(), 3);
  QTreeWidgetItem* set = root->child(2);
  QCOMPARE(set->text(0), QStringLiteral("Disk2"));
  QCOMPARE(tree->currentItem(), set);
  QVERIFY2(LabelText(media, "wherePanel")
               .startsWith("raid:level=5,layout=left-symmetric,stripe=64k,offset=1m:" + Member(0) +
                           "," + Member(1) + ",missing," + Member(3)),
           qPrintable(LabelText(media, "wherePanel")));
  QVERIFY(IsEnabled(media, "continueButton"));

  const QStringList fromTheSet = VolumeListing(media, set);
  const QStringList fromTheDisk = VolumeListing(media, root->child(0));
  QVERIFY2(fromTheSet.size() > 10, qPrintable(fromTheSet.join('\n')));
  QVERIFY(fromTheSet.contains("VOL1/DOCS/readme.txt " +
                              QString::number(QFileInfo(Expected() + "/DOCS/readme.txt").size()) +
                              " Valid File"));
  QCOMPARE(fromTheSet, fromTheDisk);
  QVERIFY(program_.disks->LogText().contains("raid:level=5"));
}

// Members added out of order under the wrong settings: Detect puts both right, and the set then
// reads as the disk does.
void RaidAssemblyTest::detectFindsTheGeometryOfMembersInAnyOrder() {
  const QString prefix = program_.disks->Scratch("detect-");
  QProcess mkimage;
  mkimage.start(
      QStringLiteral(KESTREL_MKIMAGE),
      {"stripe", "--image", program_.disks->Disk(0), "--prefix", prefix, "--level", "5", "--layout",
       "left-asymmetric", "--stripe", "64k", "--offset", "1m", "--members", "4"});
  QVERIFY(mkimage.waitForFinished(120000) && mkimage.exitCode() == 0);
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QStringList detected;
  QString problem;
  WhenModal("raidAssemblyDialog", [&](QWidget* dialog) {
    for (const int n : {3, 0, 2, 1}) {
      ChooseFile("raidMemberFileDialog", prefix + QString::number(n) + ".img");
      Click(dialog, "addImageButton");
    }
    ChooseInCombo(dialog, "levelChoice", QStringLiteral("0"));
    Click(dialog, "detectButton");
    problem = LabelText(dialog, "problemText");
    detected = Members(dialog);
    for (const char* field : {"levelChoice", "layoutChoice", "stripeChoice"})
      detected << dialog->findChild<QComboBox*>(field)->currentText();
    detected << dialog->findChild<QLineEdit*>("offsetEdit")->text();
    Click(dialog, problem.isEmpty() ? "okButton" : "cancelButton");
  });
  QVERIFY(Click(media, "assembleRaidButton"));
  QCOMPARE(TakeModalFailures(), QStringList());
  QCOMPARE(problem, QString());
  QStringList expected;
  for (int n = 0; n < 4; ++n) expected << prefix + QString::number(n) + ".img";
  expected << "5"
           << "left-asymmetric"
           << "64k"
           << "1m";
  QCOMPARE(detected, expected);
  auto* root = media->findChild<QTreeWidget*>("mediaTree")->topLevelItem(0);
  QCOMPARE(VolumeListing(media, root->child(2)), VolumeListing(media, root->child(0)));
}

// The person assembles the set once: leaving the media page and opening it again, or the imaging
// page, finds it still listed after the disks.
void RaidAssemblyTest::aSetAssembledOnceIsListedWhenAPageOpensAgain() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  AssembleTheSet(media);
  QCOMPARE(TakeModalFailures(), QStringList());
  QVERIFY(Click(media, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
  media = OpenMediaPage();
  QVERIFY(media);
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  QCOMPARE(tree->topLevelItem(0)->childCount(), 3);
  QTreeWidgetItem* set = tree->topLevelItem(0)->child(2);
  QCOMPARE(set->text(0), QStringLiteral("Disk2"));
  QVERIFY(TreeEntry(tree, "Pool:DATA") != nullptr);
  QCOMPARE(set->child(0)->text(0), QStringLiteral("Pool:DATA"));
  tree->setCurrentItem(set);
  QVERIFY2(LabelText(media, "wherePanel").startsWith("raid:level=5"),
           qPrintable(LabelText(media, "wherePanel")));
  QVERIFY(Click(media, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());

  program_.main->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
  QVERIFY(Click(program_.main.get(), "createImageButton"));
  auto* items = FindWindow<gui::CCreateImageItems>();
  QVERIFY(items);
  QCOMPARE(items->findChild<QTreeWidget*>("sourceTree")->topLevelItem(0)->childCount(), 3);
  QVERIFY(Click(items, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void RaidAssemblyTest::aVolumeOfTheSetRecoversEveryFileWhole() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QCOMPARE(AssembleTheSet(media).size(), kMembers);
  QCOMPARE(TakeModalFailures(), QStringList());
  gui::LeafIterator* page =
      OpenVolume(media, media->findChild<QTreeWidget*>("mediaTree")->topLevelItem(0)->child(2));
  QVERIFY(page);
  QVERIFY(Click(page, "selectAllButton"));
  const QString out = program_.disks->Scratch("recovered-from-the-set");
  QString recovered;
  WhenModal("CSaveFile", [out](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("localFolderEdit")->setText(out);
    Click(dialog, "okButton");
  });
  WhenModal("RecoveredMessage", [&recovered](QWidget* notice) {
    recovered = LabelText(notice, "noticeText");
    Click(notice, "okButton");
  });
  QVERIFY(Click(page, "recoverButton"));
  QVERIFY(QTest::qWaitFor([&recovered] { return !recovered.isEmpty(); }, 60000));
  QVERIFY2(recovered.startsWith("Recovered Successfully"), qPrintable(recovered));
  QCOMPARE(RecoveredContents(out), FolderContents(Expected()));
  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

// The array holds the disk's bytes, then the zeros mkimage filled the last row with.
void RaidAssemblyTest::theCreateImageTabImagesTheSetAsTheDisk() {
  program_.main->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
  QVERIFY(Click(program_.main.get(), "createImageButton"));
  auto* items = FindWindow<gui::CCreateImageItems>();
  QVERIFY(items);
  QCOMPARE(AssembleTheSet(items).size(), kMembers);
  QCOMPARE(TakeModalFailures(), QStringList());
  auto* tree = items->findChild<QTreeWidget*>("sourceTree");
  QCOMPARE(tree->currentItem(), tree->topLevelItem(0)->child(2));
  QVERIFY(tree->currentItem()->child(0));  // the set's pool, imaged on its own as any disk's
  ChooseFile("imageFileDialog", program_.disks->Scratch("set"));
  QVERIFY(Click(items, "continueButton"));
  auto* page = FindWindow<gui::CImageCreation>();
  QVERIFY(page);
  QVERIFY(QTest::qWaitFor(
      [page] {
        return !page->findChild<QPushButton*>("stopButton")->isEnabled() &&
               !LabelText(page, "statusText").isEmpty();
      },
      60000));
  const QByteArray image = FileBytes(program_.disks->Scratch("set.IMG"));
  const QByteArray disk = FileBytes(program_.disks->Disk(0));
  QVERIFY(image.size() >= disk.size());
  QVERIFY(image.first(disk.size()) == disk);
  QVERIFY(image.sliced(disk.size()).count('\0') == image.size() - disk.size());
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
}

void RaidAssemblyTest::theLayoutIsAskedOnlyOfParityLevels() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QMap<QString, QPair<bool, bool>> enabled;
  WhenModal("raidAssemblyDialog", [&enabled](QWidget* dialog) {
    for (const char* level : {"span", "0", "1", "10", "5", "6"}) {
      ChooseInCombo(dialog, "levelChoice", level);
      enabled[level] = {dialog->findChild<QComboBox*>("layoutChoice")->isEnabled(),
                        dialog->findChild<QComboBox*>("stripeChoice")->isEnabled()};
    }
    Click(dialog, "cancelButton");
  });
  QVERIFY(Click(media, "assembleRaidButton"));
  QCOMPARE(TakeModalFailures(), QStringList());
  using Enabled = QPair<bool, bool>;  // layout, stripe
  QCOMPARE(enabled["span"], Enabled(false, false));
  QCOMPARE(enabled["0"], Enabled(false, true));
  QCOMPARE(enabled["1"], Enabled(false, false));
  QCOMPARE(enabled["10"], Enabled(false, true));
  QCOMPARE(enabled["5"], Enabled(true, true));
  QCOMPARE(enabled["6"], Enabled(true, true));
}

void RaidAssemblyTest::aSetThatCannotBeReadIsRefusedInTheDialog() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QStringList problems;
  bool stillOpen = true;
  WhenModal("raidAssemblyDialog", [this, &problems, &stillOpen](QWidget* dialog) {
    const auto problem = [dialog, &problems] {
      Click(dialog, "okButton");
      problems << dialog->findChild<QLabel*>("problemText")->text();
    };
    problem();  // no members
    ChooseInCombo(dialog, "diskChoice", "Disk1");
    Click(dialog, "addDiskButton");
    Click(dialog, "addMissingButton");
    problem();  // two members for RAID 5
    ChooseFile("raidMemberFileDialog", Member(0));
    Click(dialog, "addImageButton");
    dialog->findChild<QLineEdit*>("offsetEdit")->setText("one meg");
    problem();
    dialog->findChild<QLineEdit*>("offsetEdit")->setText("1m");
    problem();  // demo disk 1 and a member differ in size
    stillOpen = dialog->isVisible();
    Click(dialog, "cancelButton");
  });
  QVERIFY(Click(media, "assembleRaidButton"));
  QCOMPARE(TakeModalFailures(), QStringList());
  QCOMPARE(problems.size(), 4);
  QCOMPARE(problems[0], QStringLiteral("RAID set: add the members of the array"));
  QVERIFY2(problems[1].contains("RAID 5 needs at least 3 members, not 2"), qPrintable(problems[1]));
  QVERIFY2(problems[2].contains("the offset \"one meg\" is not a byte count"),
           qPrintable(problems[2]));
  QVERIFY2(problems[3].contains("the members differ in size"), qPrintable(problems[3]));
  QVERIFY(stillOpen);
  QCOMPARE(media->findChild<QTreeWidget*>("mediaTree")->topLevelItem(0)->childCount(), 2);
}

void RaidAssemblyTest::cancelAddsNothing() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QStringList left;
  WhenModal("raidAssemblyDialog", [this, &left](QWidget* dialog) {
    ChooseFile("raidMemberFileDialog", Member(0));
    Click(dialog, "addImageButton");
    Click(dialog, "addMissingButton");
    Click(dialog, "removeButton");  // the member just added
    Click(dialog, "removeButton");
    Click(dialog, "addMissingButton");
    left = Members(dialog);
    Click(dialog, "cancelButton");
  });
  QVERIFY(Click(media, "assembleRaidButton"));
  QCOMPARE(TakeModalFailures(), QStringList());
  QCOMPARE(left, QStringList{"missing"});
  QCOMPARE(media->findChild<QTreeWidget*>("mediaTree")->topLevelItem(0)->childCount(), 2);
}

// The manual's page of the media page names the buttons of the page and of the dialog, and the
// dialog's settings, in bold as they read.
void RaidAssemblyTest::theManualNamesTheButtonsAsTheyRead() {
  gui::CInitialInfo* media = OpenMediaPage();
  QVERIFY(media);
  QStringList shown;
  for (const QPushButton* button : media->findChildren<QPushButton*>()) shown << button->text();
  WhenModal("raidAssemblyDialog", [&shown](QWidget* dialog) {
    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) shown << button->text();
    for (const QLabel* label : dialog->findChildren<QLabel*>()) shown << label->text();
    Click(dialog, "cancelButton");
  });
  QVERIFY(Click(media, "assembleRaidButton"));
  QCOMPARE(TakeModalFailures(), QStringList());
  const QString manual =
      QString::fromUtf8(FileBytes(QStringLiteral(KESTREL_SOURCE_DIR "/docs/help/media-page.md")));
  const QRegularExpression bold(QStringLiteral("\\*\\*([^*]+)\\*\\*"));
  int named = 0;
  for (const QRegularExpressionMatch& match : bold.globalMatch(manual)) {
    const QString name = QString(match.captured(1)).replace('\n', ' ');
    if (QStringList{"volume", "pool", "disk"}.contains(name)) continue;  // entries of the tree
    QVERIFY2(shown.contains(name), qPrintable(name + " is no button or setting of the page"));
    ++named;
  }
  QVERIFY(named >= 12);
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::RaidAssemblyTest)
#include "tst_RaidAssembly.moc"
