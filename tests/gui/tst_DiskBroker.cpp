// SPDX-License-Identifier: Apache-2.0
// The desktop program, run by a user whom the system does not let read a disk, opening it through
// udisks2 as polkit allows. tests/integration/test_udisks.py runs this as an ordinary user, with a
// system bus, polkit and udisks2 of its own and the demo disk on a loop device as disk 0
// (KESTREL_NSS_DISKS, KESTREL_NSS_LOG); KESTREL_BROKER_EXPECT says whether polkit lets the user
// open it ("opens") or not ("refused"), KESTREL_BROKER_IMAGE names the image behind the device.
// Run any other way, it says SKIPPED.
#include <fcntl.h>
#include <unistd.h>

#include <QTest>
#include <QTreeWidget>
#include <array>
#include <cerrno>
#include <memory>

#include "DemoDisks.h"
#include "Driving.h"
#include "app/LogReport.h"
#include "disk/platform/Platform.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"
#include "gui/app/DiskBroker.h"
#include "gui/app/ProgramSetup.h"
#include "gui/disk/CInitialInfo.h"

namespace kestrel::guitest {

class DiskBrokerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void withoutTheBrokerTheRefusalSaysWhoMayReadTheDevice();
  void theMediaPageListsTheDiskThatUdisksOpened();
  void aRefusalOfPolkitIsSaid();

 private:
  std::string device_;
  QString expect_;
};

void DiskBrokerTest::initTestCase() {
  expect_ = qEnvironmentVariable("KESTREL_BROKER_EXPECT");
  device_ = platform::DiskDevicePath(0);
  if (expect_.isEmpty() || device_.empty())
    QSKIP("SKIPPED: run by integration.udisks as a user who may not read the disk");
  // The user must really be refused, or the broker is never asked.
  const int fd = ::open(device_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) ::close(fd);
  QVERIFY2(fd < 0 && errno == EACCES, "the user may read the device itself");
  gui::PrepareProgram(*qApp);
}

void DiskBrokerTest::withoutTheBrokerTheRefusalSaysWhoMayReadTheDevice() {
  const disk::OpenedSource opened = platform::OpenReadOnly(device_);
  QCOMPARE(opened.status.error, disk::OpenError::PermissionDenied);
  QCOMPARE(opened.status.message,
           device_ +
               ": permission denied (run as root, or join the group \"disk\", which may "
               "read the device)");
}

void DiskBrokerTest::theMediaPageListsTheDiskThatUdisksOpened() {
  if (expect_ != "opens") QSKIP("polkit refuses this user");
  gui::InstallDiskBroker();
  const disk::OpenedSource opened = platform::OpenReadOnly(device_);
  QVERIFY2(opened.status.ok(), opened.status.message.c_str());
  std::array<std::uint8_t, 4096> bytes{};
  QVERIFY(opened.reader.ReadAt(1 << 20, bytes));
  const QByteArray image = FileBytes(qEnvironmentVariable("KESTREL_BROKER_IMAGE"));
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
           image.mid(1 << 20, bytes.size()));

  app::LogReport log(qEnvironmentVariable("KESTREL_NSS_LOG").toStdString());
  gui::CKestrelNSSRecoveryDlg main(log);
  main.show();
  QVERIFY(Click(&main, "freshRecoveryButton"));
  auto* media = FindWindow<gui::CInitialInfo>();
  QVERIFY(media);
  auto* tree = media->findChild<QTreeWidget*>("mediaTree");
  QTreeWidgetItem* disk = TreeEntry(tree, "Disk0");
  QVERIFY(disk);
  QTreeWidgetItem* data = TreeEntry(tree, "Pool:DATA");
  QVERIFY2(data, qPrintable("no pool listed: " + disk->toolTip(0)));
  QCOMPARE(data->child(0)->text(0), QStringLiteral("Volume:VOL1"));
}

void DiskBrokerTest::aRefusalOfPolkitIsSaid() {
  if (expect_ != "refused") QSKIP("polkit lets this user open the disk");
  gui::InstallDiskBroker();
  const disk::OpenedSource opened = platform::OpenReadOnly(device_);
  QCOMPARE(opened.status.error, disk::OpenError::PermissionDenied);
  const QString message = QString::fromStdString(opened.status.message);
  QVERIFY2(message.contains("; udisks2 would not open it: Not authorized"), qPrintable(message));
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::DiskBrokerTest)
#include "tst_DiskBroker.moc"
