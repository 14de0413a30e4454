// SPDX-License-Identifier: Apache-2.0
#include "DemoProgram.h"

#include <QApplication>
#include <QTest>

#include "Driving.h"
#include "gui/app/ProgramSetup.h"

namespace kestrel::guitest {

QString DemoProgram::Start() {
  gui::PrepareProgram(*qApp);
  disks = std::make_unique<DemoDisks>();
  if (!disks->error().isEmpty()) return disks->error();
  disks->UseAsSystemDisks();
  log = std::make_unique<app::LogReport>(qEnvironmentVariable("KESTREL_NSS_LOG").toStdString());
  return {};
}

void DemoProgram::OpenMainWindow() {
  main = std::make_unique<gui::CKestrelNSSRecoveryDlg>(*log);
  main->show();
}

void DemoProgram::CloseMainWindow() {
  main.reset();
  QCOMPARE(TakeModalFailures(), QStringList());
}

void DemoProgram::CheckDisksUnchanged() const {
  if (disks && disks->error().isEmpty()) QCOMPARE(disks->ChangedDisks(), QStringList());
}

}  // namespace kestrel::guitest
