// How long the volume page's views take on large scans: a folder of 100,000 files and a folder of
// 100,000 sub-folders. The figures are printed, not asserted: machines differ, and a benchmark
// that fails a build on a busy machine helps no one.
#include <QElapsedTimer>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "Driving.h"
#include "gui/app/ProgramSetup.h"
#include "gui/volume/VolumeBrowser.h"
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
  QVERIFY2(!folders->isExpanded(top), "a click on a folder opens or closes it");
  folders->expand(top);
  Report("unselect all 100,000 folders", Measure(folders, [&] { browser.UnselectAll(); }));
  QVERIFY2(folders->isExpanded(top), "a selection change keeps what is open");
  QCOMPARE(tree.Folder(tree.FolderItemCount() - 1).check, volume::CheckState::Unchecked);
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::ResponsivenessTest)
#include "tst_Responsiveness.moc"
