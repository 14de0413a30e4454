// SPDX-License-Identifier: Apache-2.0
// The FTP settings and the browser of the server's folders, against a real pyftpdlib server that
// the test starts on 127.0.0.1 (the integration tests' fixture, run with /usr/bin/python3).
#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "Driving.h"
#include "gui/app/ProgramSetup.h"
#include "gui/destination/CFTPSettings.h"
#include "gui/destination/CFtpTree.h"
#include "gui/destination/CSaveFile.h"
#include "gui/destination/SessionFtpSettings.h"

namespace kestrel::guitest {

constexpr const char* kPassword = "Gui-5b7e-password";

class FtpDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void cleanup() { QCOMPARE(TakeModalFailures(), QStringList()); }
  void settingsNeedAllThreeTexts();
  void theDestinationDialogTakesTheServerFolder();
  void foldersAreListedOnExpandingAndAgainAfterCollapsing();
  void okOnTheTopGivesTheTop();
  void aWrongPasswordSaysConnectionFailedAndCloses();

 private:
  destination::FtpSettings Settings(const char* password = kPassword) const;
  QTreeWidgetItem* Expand(QTreeWidget* tree, QTreeWidgetItem* item);

  QTemporaryDir home_;
  QProcess server_;
  std::uint16_t port_ = 0;
};

void FtpDialogsTest::initTestCase() {
  gui::PrepareProgram(*qApp);
  QProcess probe;
  probe.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
  if (!probe.waitForFinished() || probe.exitCode() != 0)
    QSKIP("SKIPPED: /usr/bin/python3 lacks pyftpdlib (python3-pyftpdlib)");
  for (const char* folder : {"DOCS/2024", "DOCS/2023", "EMPTY"}) QDir(home_.path()).mkpath(folder);
  auto environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("KESTREL_TEST_FTP_PASSWORD"), QString::fromLatin1(kPassword));
  server_.setProcessEnvironment(environment);
  server_.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral(KESTREL_SOURCE_DIR "/tests/integration/ftp_server.py"),
                 QStringLiteral("--home"), home_.path()});
  QVERIFY(server_.waitForReadyRead(20000));
  port_ = static_cast<std::uint16_t>(server_.readLine().trimmed().toUInt());
  QVERIFY(port_ != 0);
}

void FtpDialogsTest::cleanupTestCase() {
  server_.terminate();
  server_.waitForFinished();
}

destination::FtpSettings FtpDialogsTest::Settings(const char* password) const {
  destination::FtpSettings settings;
  settings.host = "127.0.0.1";
  settings.port = port_;
  settings.user = "kestrel";
  settings.password = destination::Secret(password);
  return settings;
}

// Expands the item and waits for its listing to arrive.
QTreeWidgetItem* FtpDialogsTest::Expand(QTreeWidget* tree, QTreeWidgetItem* item) {
  item->setExpanded(true);
  if (!QTest::qWaitFor([&] { return tree->isEnabled(); }, 20000)) return nullptr;
  return item;
}

QTreeWidgetItem* Child(QTreeWidgetItem* item, const char* text) {
  for (int i = 0; i < item->childCount(); ++i)
    if (item->child(i)->text(0) == QLatin1String(text)) return item->child(i);
  return nullptr;
}

void FtpDialogsTest::settingsNeedAllThreeTexts() {
  destination::FtpSettings stored;
  gui::CFTPSettings dialog(stored, nullptr);
  dialog.open();
  auto* password = dialog.findChild<QLineEdit*>("passwordEdit");
  QCOMPARE(password->echoMode(), QLineEdit::Password);
  const std::pair<const char*, QString> texts[] = {
      {"serverEdit", QStringLiteral("127.0.0.1:%1").arg(port_)},
      {"userEdit", QStringLiteral("kestrel")},
      {"passwordEdit", QString::fromLatin1(kPassword)}};
  for (const auto& [name, text] : texts) {
    QVERIFY(!IsEnabled(&dialog, "okButton") && !IsEnabled(&dialog, "browseFtpButton"));
    QVERIFY(!dialog.findChild<QLineEdit*>("folderEdit")->isEnabled());
    dialog.findChild<QLineEdit*>(name)->setText(text);
  }
  QVERIFY(IsEnabled(&dialog, "okButton") && IsEnabled(&dialog, "browseFtpButton"));
  dialog.findChild<QCheckBox*>("passiveOption")->setChecked(true);
  dialog.findChild<QLineEdit*>("folderEdit")->setText(QStringLiteral("/DOCS"));
  QVERIFY(Click(&dialog, "okButton"));
  QCOMPARE(stored.host, std::string("127.0.0.1"));
  QCOMPARE(stored.port, port_);
  QCOMPARE(stored.password.Reveal(), std::string(kPassword));
  QVERIFY(stored.passive);
  QCOMPARE(dialog.Folder(), std::string("/DOCS"));
}

void FtpDialogsTest::theDestinationDialogTakesTheServerFolder() {
  gui::SessionFtpSettings() = Settings();
  filter::FilterList list;
  gui::CSaveFile dialog([] { return 0; }, list, nullptr);
  dialog.open();
  dialog.findChild<QRadioButton*>("ftpServerOption")->click();
  QVERIFY(IsEnabled(&dialog, "ftpOptionsButton"));
  QVERIFY(!IsEnabled(&dialog, "okButton"));
  WhenModal("CFTPSettings", [](QWidget* settings) {
    WhenModal("CFtpTree", [](QWidget* browser) {
      auto* tree = browser->findChild<QTreeWidget*>("ftpTree");
      tree->topLevelItem(0)->setExpanded(true);
      if (!QTest::qWaitFor([&] { return tree->topLevelItem(0)->childCount() == 2; }, 20000)) return;
      tree->setCurrentItem(Child(tree->topLevelItem(0), "DOCS"));
      Click(browser, "okButton");
    });
    Click(settings, "browseFtpButton");
    Click(settings, "okButton");
  });
  QVERIFY2(!dialog.findChild<QLineEdit*>("localFolderEdit")->isEnabled(), "the other choice");
  QVERIFY(Click(&dialog, "ftpOptionsButton"));
  QCOMPARE(dialog.findChild<QLineEdit*>("ftpPathEdit")->text(), QStringLiteral("/DOCS"));
  QCOMPARE(LabelText(&dialog, "ftpDestinationText"),
           QStringLiteral("ftp://127.0.0.1:%1/DOCS").arg(port_));
  const auto labels = dialog.findChildren<QLabel*>();
  QVERIFY2(std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* label) {
                         return label->buddy() == dialog.findChild<QLineEdit*>("ftpPathEdit") &&
                                label->text() == QStringLiteral("Folder on the server:");
                       }),
           "the server's folder has its label");
  QVERIFY(Click(&dialog, "okButton"));
  QCOMPARE(dialog.Kind(), destination::DestinationKind::FtpServer);
  QCOMPARE(dialog.Folder(), std::string("/DOCS"));
}

void FtpDialogsTest::foldersAreListedOnExpandingAndAgainAfterCollapsing() {
  gui::CFtpTree browser(Settings(), nullptr);
  browser.open();
  auto* tree = browser.findChild<QTreeWidget*>("ftpTree");
  QTreeWidgetItem* top = tree->topLevelItem(0);
  QCOMPARE(top->text(0), QStringLiteral("/"));
  QCOMPARE(top->childCount(), 1);
  QCOMPARE(top->child(0)->text(0), QStringLiteral("empty"));
  QVERIFY(Expand(tree, top));
  QCOMPARE(top->childCount(), 2);
  QTreeWidgetItem* empty = Child(top, "EMPTY");
  QTreeWidgetItem* docs = Child(top, "DOCS");
  QVERIFY(empty && docs);
  QVERIFY(Expand(tree, empty));
  QCOMPARE(empty->childCount(), 0);
  QVERIFY(Expand(tree, docs));
  QCOMPARE(docs->childCount(), 2);
  docs->setExpanded(false);
  QCOMPARE(docs->childCount(), 1);
  QCOMPARE(docs->child(0)->text(0), QStringLiteral("empty"));
  QDir(home_.path()).mkpath("DOCS/2025");
  QVERIFY(Expand(tree, docs));
  QCOMPARE(docs->childCount(), 3);
  tree->setCurrentItem(docs->child(0));
  const std::string chosen = "/DOCS/" + docs->child(0)->text(0).toStdString();
  QVERIFY(Click(&browser, "okButton"));
  QCOMPARE(browser.Folder(), chosen);
}

void FtpDialogsTest::okOnTheTopGivesTheTop() {
  gui::CFtpTree browser(Settings(), nullptr);
  browser.open();
  QVERIFY(Click(&browser, "okButton"));
  QCOMPARE(browser.Folder(), std::string("/"));
}

void FtpDialogsTest::aWrongPasswordSaysConnectionFailedAndCloses() {
  gui::CFtpTree browser(Settings("wrong"), nullptr);
  browser.open();
  QString text;
  WhenModal("ConnectionFailed", [&](QWidget* notice) {
    text = LabelText(notice, "noticeText");
    Click(notice, "okButton");
  });
  browser.findChild<QTreeWidget*>("ftpTree")->topLevelItem(0)->setExpanded(true);
  QVERIFY(QTest::qWaitFor([&] { return !browser.isVisible(); }, 20000));
  QVERIFY(text.startsWith("Connection Failed"));
  QVERIFY(!text.contains(QString::fromLatin1(kPassword)));
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::FtpDialogsTest)
#include "tst_FtpDialogs.moc"
