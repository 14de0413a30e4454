// SPDX-License-Identifier: Apache-2.0
// kestrel-nss: the desktop program.
#include <QApplication>

#include "disk/platform/Platform.h"
#include "gui/app/CKestrelNSSRecoveryApp.h"
#include "gui/app/DiskBroker.h"
#include "gui/app/ProgramSetup.h"

int main(int argc, char** argv) {
  // A file-size limit fails the write, which the recovery reports; it must not end the program.
  kestrel::platform::FailWritesPastSizeLimit();
  QApplication application(argc, argv);
  kestrel::gui::PrepareProgram(application);
  kestrel::gui::TakeCommandLine(application);
  kestrel::gui::InstallDiskBroker();
  kestrel::gui::CKestrelNSSRecoveryApp program;
  return program.Run(application);
}
