// kestrel-nss: the desktop program.
#include <QApplication>
#include <csignal>

#include "gui/app/CKestrelNSSRecoveryApp.h"
#include "gui/app/ProgramSetup.h"

int main(int argc, char** argv) {
  // A file-size limit fails the write, which the recovery reports; it must not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication application(argc, argv);
  kestrel::gui::PrepareProgram(application);
  kestrel::gui::CKestrelNSSRecoveryApp program;
  return program.Run(application);
}
