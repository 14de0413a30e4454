// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <memory>

#include "DemoDisks.h"
#include "app/LogReport.h"
#include "gui/app/CKestrelNSSRecoveryDlg.h"

namespace kestrel::guitest {

// The program as the page tests drive it: the demo disks made once and standing in for the
// system's disks, the log report, and (for the tests that start from it) a main window made anew
// for every test.
struct DemoProgram {
  std::unique_ptr<DemoDisks> disks;
  std::unique_ptr<app::LogReport> log;
  std::unique_ptr<gui::CKestrelNSSRecoveryDlg> main;

  // Makes the disks; the reason when they cannot be made (the test then skips).
  QString Start();
  void OpenMainWindow();
  // Closes the main window, and fails the test if a modal dialog was left unanswered.
  void CloseMainWindow();
  // Fails the test if a test wrote to a source disk.
  void CheckDisksUnchanged() const;
};

}  // namespace kestrel::guitest
