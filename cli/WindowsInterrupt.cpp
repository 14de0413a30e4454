// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include <atomic>

#include "Interrupt.h"

namespace kestrel::cli {
namespace {

// The stop of the command that runs now. Windows calls the handler on a thread of its own, so the
// stop request is made from ordinary code there.
std::atomic<std::stop_source*> running{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (std::stop_source* source = running.load()) source->request_stop();
  return TRUE;
}

}  // namespace

// Ctrl-C and Ctrl-Break become the stop request; closing the console still ends the program.
InterruptStop::InterruptStop() {
  running.store(&source_);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptStop::~InterruptStop() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  running.store(nullptr);
}

}  // namespace kestrel::cli
