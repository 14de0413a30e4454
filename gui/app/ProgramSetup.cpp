#include "gui/app/ProgramSetup.h"

#include <QApplication>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/viewers/CMediaViewer.h"

namespace kestrel::gui {

void PrepareProgram(QApplication& application) {
  QApplication::setApplicationName(ToQString(app::kProductTitle));
  QApplication::setQuitOnLastWindowClosed(false);
  ApplyProgramLook(application);
  CMediaViewer::RemoveLeftovers();  // of a run that crashed while it played a preview
}

}  // namespace kestrel::gui
