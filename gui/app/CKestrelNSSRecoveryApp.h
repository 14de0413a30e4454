// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"

class QApplication;

namespace kestrel::gui {

// The program's one application object: it owns the log report, writes its start-up header and
// closing line, and runs the splash screen and then the main window until it ends.
class CKestrelNSSRecoveryApp {
 public:
  CKestrelNSSRecoveryApp();
  ~CKestrelNSSRecoveryApp();
  CKestrelNSSRecoveryApp(const CKestrelNSSRecoveryApp&) = delete;
  CKestrelNSSRecoveryApp& operator=(const CKestrelNSSRecoveryApp&) = delete;

  // The exit code of the process.
  int Run(QApplication& application);

 private:
  app::LogReport log_;
};

}  // namespace kestrel::gui
