// SPDX-License-Identifier: Apache-2.0
#include "gui/app/CKestrelNSSRecoveryApp.h"

#include <QApplication>

#include "app/DateStamp.h"
#include "disk/platform/Platform.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"
#include "gui/app/SplashScreen.h"

namespace kestrel::gui {

CKestrelNSSRecoveryApp::CKestrelNSSRecoveryApp() : log_(platform::LogReportPath()) {
  log_.WriteStartupHeader(app::DateTimeStampNow());
}

CKestrelNSSRecoveryApp::~CKestrelNSSRecoveryApp() {
  log_.WriteShutdownLine(app::DateTimeStampNow());
}

int CKestrelNSSRecoveryApp::Run(QApplication& application) {
  SplashScreen().exec();
  CKestrelNSSRecoveryDlg mainWindow(log_);
  QObject::connect(&mainWindow, &QDialog::finished, &application, [] { QApplication::quit(); });
  mainWindow.show();
  application.exec();
  return 0;
}

}  // namespace kestrel::gui
