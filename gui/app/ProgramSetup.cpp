// SPDX-License-Identifier: Apache-2.0
#include "gui/app/ProgramSetup.h"

#include <QApplication>
#include <QCommandLineParser>

#include "app/ShellTexts.h"
#include "app/Version.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/viewers/CMediaViewer.h"

namespace kestrel::gui {

void PrepareProgram(QApplication& application) {
  QApplication::setApplicationName(ToQString(app::kProductTitle));
  QApplication::setApplicationVersion(ToQString(app::VersionText()));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.kestrelvarnoak.KestrelNSS"));
  QApplication::setQuitOnLastWindowClosed(false);
  ApplyProgramLook(application);
  CMediaViewer::RemoveLeftovers();  // of a run that crashed while it played a preview
}

void TakeCommandLine(QApplication& application) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Recovers folders and files from the NSS pools and volumes of NetWare disks."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(application);
}

}  // namespace kestrel::gui
