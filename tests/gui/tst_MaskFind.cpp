// SPDX-License-Identifier: Apache-2.0
// MASK, Unmask, FIND and F3 on the volume page (VOL1) and the pool page (ARCHIVE) of the demo
// disks: the masked tree and what it recovers, refused size ranges, "*.*", Unmask back to the
// ticks of before, and the search through every folder to the notice at its end.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

#include "DemoProgram.h"
#include "DemoVolume.h"
#include "Driving.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/viewers/PreviewArea.h"
#include "gui/volume/LeafIterator.h"

namespace kestrel::guitest {
namespace {

// MASK with the patterns typed, and the dialog's other boxes set by `more`.
bool Mask(QWidget* page, const char* dialogName, const QString& patterns,
          std::function<void(QWidget*)> more = {}) {
  WhenModal(dialogName, [patterns, more](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("maskPatterns")->setText(patterns);
    if (more) more(dialog);
    Click(dialog, "okButton");
  });
  return Click(page, "maskButton") && WorkDone(page);
}

// The names of the files of the folder's list, in their order.
QStringList ListedNames(QTableView* list) {
  QStringList names;
  for (int row = 0; row < list->model()->rowCount(); ++row)
    names << list->model()->index(row, 0).data().toString();
  return names;
}

// FIND with the text, or F3 in the list when there is none: the selected file's name, or "" when
// the search ended with the notice. The search runs on the page's thread, so the notice, if it
// comes, comes before the click returns.
QString FindAnswer(QWidget* page, const QString& text) {
  auto* list = page->findChild<QTableView*>("fileList");
  bool notice = false;
  QTimer catcher;
  QObject::connect(&catcher, &QTimer::timeout, [&notice] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->objectName() != "NoMatchingEntriesFound") return;
    notice = true;
    Click(modal, "okButton");
  });
  catcher.start(10);
  if (text.isEmpty()) {
    QTest::keyClick(list, Qt::Key_F3);
  } else {
    WhenModal("CFindFileDlg", [text](QWidget* dialog) {
      dialog->findChild<QLineEdit*>("findEdit")->setText(text);
      Click(dialog, "searchNowButton");
    });
    Click(page, "findButton");
  }
  if (notice) return {};
  const QModelIndexList selected = list->selectionModel()->selectedRows();
  return selected.size() == 1 ? selected.first().data().toString() : QStringLiteral("?");
}

}  // namespace

class MaskFindTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void cleanupTestCase();
  void aMaskShowsTheMatchingFilesUnderTheirFoldersAndRecoversOnlyThem();
  void unmaskBringsBackTheWholeTreeWithItsTicks();
  void refusedSizesKeepTheDialogAndStarDotStarChangesNothing();
  void findAndF3WalkEveryFolderToTheNotice();
  void thePoolPageMasksWithoutTheDeletedRuleAndFinds();

 private:
  std::unique_ptr<gui::LeafIterator> ScannedVolume();

  DemoProgram program_;
};

void MaskFindTest::initTestCase() {
  if (const QString reason = program_.Start(); !reason.isEmpty())
    QSKIP(qPrintable("SKIPPED: " + reason));
}

void MaskFindTest::cleanup() {
  QCOMPARE(TakeModalFailures(), QStringList());
}

void MaskFindTest::cleanupTestCase() {
  program_.CheckDisksUnchanged();
}

std::unique_ptr<gui::LeafIterator> MaskFindTest::ScannedVolume() {
  auto page = std::make_unique<gui::LeafIterator>(DemoVolume(*program_.disks, "VOL1"),
                                                  *program_.log, nullptr);
  page->open();
  return WorkDone(page.get()) ? std::move(page) : nullptr;
}

void MaskFindTest::aMaskShowsTheMatchingFilesUnderTheirFoldersAndRecoversOnlyThem() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  QVERIFY(Mask(page.get(), "CFileMask", QStringLiteral("*.DOC, *.pdf")));
  auto* tree = page->findChild<QTreeView*>("folderTree");
  const QModelIndex top = tree->model()->index(0, 0);
  QCOMPARE(top.data().toString(), QStringLiteral("Root"));
  const QModelIndex docs = ChildNamed(tree->model(), top, "DOCS");
  QVERIFY(ChildNamed(tree->model(), docs, "REPORTS").isValid());
  QVERIFY2(!ChildNamed(tree->model(), docs, "MINUTES").isValid(), "no .doc or .pdf in MINUTES");
  QVERIFY(!ChildNamed(tree->model(), top, "IMAGES").isValid());
  QCOMPARE(LabelText(page.get(), "selectionText"), QStringLiteral("Files Selected: 0,Size : 0 MB"));
  QVERIFY(LabelText(page.get(), "totalText").endsWith(QStringLiteral("File(s): 5")));
  QVERIFY(!page->findChild<QPushButton*>("maskButton")->isVisible());
  QVERIFY(IsEnabled(page.get(), "unmaskButton"));

  QVERIFY(Click(page.get(), "selectAllButton"));
  const QString out = program_.disks->Scratch("masked-recovery");
  WhenModal("CSaveFile", [out](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("localFolderEdit")->setText(out);
    Click(dialog, "okButton");
  });
  AnswerModal("RecoveredMessage", "okButton");
  QVERIFY(Click(page.get(), "recoverButton"));
  QVERIFY(WorkDone(page.get()));
  QTRY_COMPARE(RecoveredContents(out).size(), 5);
  const QString expected = program_.disks->ExpectedFolder("DATA", "VOL1");
  for (const char* file : {"DOCS/REPORTS/q2-2004.doc", "PUBLIC/leave-form.doc"})
    QCOMPARE(FolderContents(out).value(file), FolderContents(expected).value(file));
}

void MaskFindTest::unmaskBringsBackTheWholeTreeWithItsTicks() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  const QString total = LabelText(page.get(), "totalText");
  auto* tree = page->findChild<QTreeView*>("folderTree");
  ClickCheck(tree, ChildNamed(tree->model(), tree->model()->index(0, 0), "PUBLIC"));
  const QString ticked = LabelText(page.get(), "selectionText");
  QVERIFY2(ticked.startsWith("Files Selected: 4, size : ") && ticked.endsWith(".00 bytes"),
           qPrintable(ticked));
  QVERIFY(Mask(page.get(), "CFileMask", QStringLiteral("*.txt"),
               [](QWidget* dialog) { dialog->findChild<QCheckBox*>("deletedOnlyBox")->click(); }));
  QVERIFY2(LabelText(page.get(), "totalText").endsWith(QStringLiteral("File(s): 1")),
           "only the deleted old-memo.txt");
  QCOMPARE(LabelText(page.get(), "selectionText"), QStringLiteral("Files Selected: 0,Size : 0 MB"));
  QVERIFY(Click(page.get(), "unmaskButton"));
  QCOMPARE(LabelText(page.get(), "totalText"), total);
  const QModelIndex top = tree->model()->index(0, 0);
  QCOMPARE(top.data().toString(), QStringLiteral("VOL1"));
  QCOMPARE(ChildNamed(tree->model(), top, "PUBLIC").data(Qt::CheckStateRole).toInt(),
           int(Qt::Checked));
  QCOMPARE(LabelText(page.get(), "selectionText"), ticked);
  QVERIFY(IsEnabled(page.get(), "recoverButton"));
  QCOMPARE(FindAnswer(page.get(), QStringLiteral("welcome.txt")), QStringLiteral("welcome.txt"));
  QCOMPARE(LabelText(page.get(), "selectionText"), ticked);
  QVERIFY(page->findChild<QPushButton*>("maskButton")->isVisible());
  QVERIFY(!page->findChild<QPushButton*>("unmaskButton")->isVisible());
}

void MaskFindTest::refusedSizesKeepTheDialogAndStarDotStarChangesNothing() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  bool refused = false, stayed = false;
  WhenModal("CFileMask", [&](QWidget* dialog) {
    dialog->findChild<QCheckBox*>("sizeFromBox")->click();
    dialog->findChild<QLineEdit*>("sizeFromEdit")->setText(QStringLiteral("100"));
    dialog->findChild<QCheckBox*>("uptoBox")->click();
    dialog->findChild<QLineEdit*>("uptoEdit")->setText(QStringLiteral("50"));
    WhenModal("MaskRefused", [&refused](QWidget* notice) {
      refused = LabelText(notice, "noticeText").contains(QStringLiteral("below the lower one"));
      Click(notice, "okButton");
    });
    Click(dialog, "okButton");
    stayed = dialog->isVisible();
    auto* from = dialog->findChild<QLineEdit*>("sizeFromEdit");
    dialog->findChild<QCheckBox*>("sizeFromBox")->click();
    stayed =
        stayed && from->text().isEmpty() && !dialog->findChild<QCheckBox*>("uptoBox")->isEnabled();
    dialog->findChild<QLineEdit*>("maskPatterns")->setText(QStringLiteral("*.*"));
    Click(dialog, "okButton");
  });
  QVERIFY(Click(page.get(), "maskButton"));
  QTRY_COMPARE(QApplication::activeModalWidget(), page.get());
  QVERIFY(refused);
  QVERIFY(stayed);
  QVERIFY2(page->findChild<QPushButton*>("maskButton")->isVisible(), "*.* masks nothing");
  QCOMPARE(page->findChild<QTreeView*>("folderTree")->model()->index(0, 0).data().toString(),
           QStringLiteral("VOL1"));
}

void MaskFindTest::findAndF3WalkEveryFolderToTheNotice() {
  const auto page = ScannedVolume();
  QVERIFY(page);
  QCOMPARE(FindAnswer(page.get(), QStringLiteral("*.TXT;*.xls")), QStringLiteral("readme.txt"));
  QCOMPARE(LabelText(page.get(), "statusText"), QStringLiteral("Press F3 to search next"));
  QVERIFY(program_.disks->LogText().contains("\nSearching for string *.TXT;*.xls"));
  QStringList found{QStringLiteral("readme.txt")};
  for (QString name; !(name = FindAnswer(page.get(), {})).isEmpty() && found.size() < 20;)
    found << name;
  QCOMPARE(found, (QStringList{"readme.txt", "old-memo.txt", "budget-2004.xls", "2004-02-09.txt",
                               "2004-01-12.txt", "welcome.txt", "hours.txt", "phone-list.xls"}));
  QCOMPARE(page->findChild<QTableView*>("fileList")->model()->rowCount(), 0);
  QVERIFY2(page->findChild<gui::PreviewArea*>("previewArea")->Current() == nullptr,
           "no preview of a file no longer listed");
  QCOMPARE(LabelText(page.get(), "statusText"), QString());
  QCOMPARE(FindAnswer(page.get(), QStringLiteral("a?c.*")), QString());
}

void MaskFindTest::thePoolPageMasksWithoutTheDeletedRuleAndFinds() {
  program_.OpenMainWindow();
  QVERIFY(Click(program_.main.get(), "freshRecoveryButton"));
  auto* media = FindWindow<gui::CInitialInfo>();
  QVERIFY(media);
  auto* mediaTree = media->findChild<QTreeWidget*>("mediaTree");
  mediaTree->setCurrentItem(
      mediaTree->findItems("Pool:ARCHIVE", Qt::MatchExactly | Qt::MatchRecursive).value(0));
  QVERIFY(Click(media, "continueButton"));
  auto* page = qobject_cast<gui::CpoolIterator*>(QApplication::activeModalWidget());
  QVERIFY(page && WorkDone(page));

  QVERIFY(Mask(page, "FileMaskForPool", QStringLiteral("*.txt"),
               [](QWidget* dialog) { dialog->findChild<QCheckBox*>("deletedOnlyBox")->click(); }));
  QVERIFY2(LabelText(page, "totalText").endsWith(QStringLiteral("File(s): 3")),
           "the pool's view has no deleted-only rule: every .txt stays");
  QCOMPARE(LabelText(page, "selectionText"), QStringLiteral("Files Selected: 0, size : 0 bytes"));
  QCOMPARE(FindAnswer(page, QStringLiteral("NOTES.TXT")), QStringLiteral("notes.txt"));
  auto* list = page->findChild<QTableView*>("fileList");
  QCOMPARE(ListedNames(list), QStringList{"notes.txt"});

  AnswerModal("savescanDialog", "noButton");
  QVERIFY(Click(page, "homeButton"));
  QTRY_VERIFY(program_.main->isVisible());
  program_.CloseMainWindow();
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::MaskFindTest)
#include "tst_MaskFind.moc"
