// SPDX-License-Identifier: Apache-2.0
// The dialogs of a recovery: the destination with its room test, the filter, and the two name
// clash questions.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

#include "Driving.h"
#include "gui/app/ProgramSetup.h"
#include "gui/destination/CAlreadyExistFileDialog.h"
#include "gui/destination/CSaveFile.h"
#include "gui/destination/CScanRename.h"
#include "gui/filter/CFilterDialog.h"

namespace kestrel::guitest {

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gui::PrepareProgram(*qApp); }
  void cleanup() { QCOMPARE(TakeModalFailures(), QStringList()); }
  void theFilterTakesGroupsAndTypedEntries();
  void cancellingTheFilterLeavesTheListAsItWas();
  void okFollowsTheTypedFolder();
  void aFolderWithoutRoomIsRefused();
  void browseFillsTheFolderOrEmptiesIt();
  void theClashQuestionGivesEachAnswer();
  void closingTheClashQuestionSkipsTheFile();
  void theScanFileQuestionRenamesOrCancels();

 private:
  QTemporaryDir folder_;
};

void DialogsTest::theFilterTakesGroupsAndTypedEntries() {
  filter::FilterList list;
  gui::CFilterDialog dialog(list, nullptr);
  dialog.open();
  auto* text = dialog.findChild<QComboBox*>("filterText");
  auto* entries = dialog.findChild<QListWidget*>("filterEntries");
  QVERIFY(!IsEnabled(&dialog, "addButton") && !IsEnabled(&dialog, "includeButton"));
  text->setCurrentIndex(2);  // the graphics group
  QVERIFY(Click(&dialog, "addButton"));
  QCOMPARE(entries->count(), 8);
  QVERIFY(IsEnabled(&dialog, "includeButton") && IsEnabled(&dialog, "excludeButton"));
  QVERIFY(!IsEnabled(&dialog, "addButton"));
  QVERIFY(!IsEnabled(&dialog, "removeButton"));
  QTest::keyClicks(text->lineEdit(), "*.DOC");
  QTest::keyClick(text->lineEdit(), Qt::Key_Return);
  QCOMPARE(entries->count(), 9);
  QCOMPARE(entries->item(8)->text(), QStringLiteral("*.DOC"));
  QTest::keyClicks(text->lineEdit(), "   ");
  QVERIFY(Click(&dialog, "addButton"));
  QCOMPARE(entries->count(), 9);  // spaces alone are no entry
  entries->setCurrentRow(0);
  QVERIFY(Click(&dialog, "removeButton"));
  QCOMPARE(entries->count(), 8);
  QVERIFY(Click(&dialog, "excludeButton"));
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(list.mode, filter::FilterMode::Exclude);
  QCOMPARE(list.patterns().size(), 8u);
  QVERIFY(!list.Admits(u"logo.gif"));
  QVERIFY(list.Admits(u"logo.bmp"));
}

void DialogsTest::cancellingTheFilterLeavesTheListAsItWas() {
  filter::FilterList list;
  list.AddTyped(u"*.txt");
  gui::CFilterDialog dialog(list, nullptr);
  dialog.open();
  dialog.findChild<QComboBox*>("filterText")->setCurrentIndex(0);
  QVERIFY(Click(&dialog, "addButton"));
  dialog.findChild<QListWidget*>("filterEntries")->setCurrentRow(0);
  QVERIFY(Click(&dialog, "removeButton"));
  QVERIFY(Click(&dialog, "cancelButton"));
  QCOMPARE(list.patterns(), std::vector<std::u16string>{u"*.txt"});
  QCOMPARE(list.mode, filter::FilterMode::Include);
}

void DialogsTest::okFollowsTheTypedFolder() {
  filter::FilterList list;
  gui::CSaveFile dialog([] { return 0; }, list, nullptr);
  dialog.open();
  QVERIFY(!IsEnabled(&dialog, "okButton"));
  QVERIFY(dialog.findChild<QRadioButton*>("ftpServerOption")->isEnabled());
  QVERIFY2(!IsEnabled(&dialog, "ftpOptionsButton"), "FTP Options only for the FTP choice");
  auto* edit = dialog.findChild<QLineEdit*>("localFolderEdit");
  QTest::keyClicks(edit, folder_.path());
  QVERIFY(IsEnabled(&dialog, "okButton"));
  edit->clear();
  QVERIFY(!IsEnabled(&dialog, "okButton"));
  edit->setText(folder_.filePath("new/folder"));
  QVERIFY(Click(&dialog, "okButton"));
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(QString::fromStdString(dialog.Folder()), folder_.filePath("new/folder"));
}

void DialogsTest::aFolderWithoutRoomIsRefused() {
  filter::FilterList list;
  gui::CSaveFile dialog([] { return std::numeric_limits<std::uint64_t>::max(); }, list, nullptr);
  dialog.open();
  dialog.findChild<QLineEdit*>("localFolderEdit")->setText(folder_.path());
  QString notice;
  WhenModal("InsufficientSpace", [&](QWidget* insufficient) {
    notice = LabelText(insufficient, "noticeText");
    Click(insufficient, "okButton");
  });
  QVERIFY(Click(&dialog, "okButton"));
  QCOMPARE(notice, QStringLiteral("Insufficient drive space at destination location."));
  QVERIFY(dialog.isVisible());
}

void DialogsTest::browseFillsTheFolderOrEmptiesIt() {
  filter::FilterList list;
  gui::CSaveFile dialog([] { return 0; }, list, nullptr);
  dialog.open();
  auto* edit = dialog.findChild<QLineEdit*>("localFolderEdit");
  WhenModal("folderBrowser", [this](QWidget* browser) {
    static_cast<QFileDialog*>(browser)->setDirectory(folder_.path());
    static_cast<QDialog*>(browser)->accept();
  });
  QVERIFY(Click(&dialog, "browseButton"));
  QCOMPARE(edit->text(), folder_.path());
  QVERIFY(!edit->isEnabled());
  QVERIFY(IsEnabled(&dialog, "okButton"));
  WhenModal("folderBrowser", [](QWidget* browser) { static_cast<QDialog*>(browser)->reject(); });
  QVERIFY(Click(&dialog, "browseButton"));
  QCOMPARE(edit->text(), QString());
  QVERIFY(!IsEnabled(&dialog, "okButton"));
}

void DialogsTest::theClashQuestionGivesEachAnswer() {
  const destination::ConflictQuestion question{"/out/DOCS", "a.txt", "Copy(1)_a.txt"};
  {
    gui::CAlreadyExistFileDialog dialog(question, nullptr);
    dialog.open();
    QCOMPARE(LabelText(&dialog, "fileNameLabel"), QStringLiteral("a.txt"));
    auto* renameTo = dialog.findChild<QLineEdit*>("renameToEdit");
    QCOMPARE(renameTo->text(), QStringLiteral("Copy(1)_a.txt"));
    renameTo->setText("b.txt");
    QVERIFY(Click(&dialog, "renameButton"));
    QCOMPARE(dialog.Answer().choice, destination::ConflictChoice::Rename);
    QCOMPARE(dialog.Answer().renameTo, std::string("b.txt"));
  }
  gui::CAlreadyExistFileDialog dialog(question, nullptr);
  dialog.open();
  QVERIFY(Click(&dialog, "skipAllButton"));
  QCOMPARE(dialog.Answer().choice, destination::ConflictChoice::SkipAll);
}

void DialogsTest::closingTheClashQuestionSkipsTheFile() {
  gui::CAlreadyExistFileDialog dialog({"/out", "a.txt", "Copy(1)_a.txt"}, nullptr);
  dialog.open();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(dialog.Answer().choice, destination::ConflictChoice::Skip);
}

void DialogsTest::theScanFileQuestionRenamesOrCancels() {
  {
    gui::CScanRename dialog("/scans/x.IMG", "(Copy_1)x.IMG", nullptr);
    dialog.open();
    QCOMPARE(LabelText(&dialog, "existingPathLabel"), QStringLiteral("/scans/x.IMG"));
    auto* name = dialog.findChild<QLineEdit*>("newNameEdit");
    QCOMPARE(name->text(), QStringLiteral("(Copy_1)x.IMG"));
    name->setText("y.IMG");
    QVERIFY(Click(&dialog, "okButton"));
    QCOMPARE(dialog.Answer().choice, savedscan::ScanRenameChoice::Ok);
    QCOMPARE(dialog.Answer().newName, std::string("y.IMG"));
  }
  {
    gui::CScanRename dialog("/scans/x.IMG", "(Copy_1)x.IMG", nullptr);
    dialog.open();
    QVERIFY(Click(&dialog, "overwriteButton"));
    QCOMPARE(dialog.Answer().choice, savedscan::ScanRenameChoice::OverWrite);
  }
  gui::CScanRename dialog("/scans/x.IMG", "(Copy_1)x.IMG", nullptr);
  dialog.open();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QCOMPARE(dialog.Answer().choice, savedscan::ScanRenameChoice::Cancel);
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::DialogsTest)
#include "tst_Dialogs.moc"
