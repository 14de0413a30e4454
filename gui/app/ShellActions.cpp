#include "gui/app/ShellActions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include "app/ShellTexts.h"
#include "disk/platform/Platform.h"
#include "gui/app/AboutBox.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

void OpenWithDesktop(const QString& path, std::string_view failureText, QWidget* parent) {
  if (QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
  const std::string text = std::string(failureText) + "\n" + ToUtf8String(path);
  NoticeDialog("OpenFailed", text, {NoticeDialog::kOk}, parent).exec();
}

void OpenLogReport(QWidget* parent) {
  OpenWithDesktop(ToQString(platform::LogReportPath()), app::kLogNotOpenedText, parent);
}

void OpenHelp(QWidget* parent) {
  const QString path =
      QDir(QCoreApplication::applicationDirPath()).filePath(ToQString(app::kHelpFileName));
  OpenWithDesktop(path, app::kHelpMissingText, parent);
}

void ShowAboutBox(QWidget* parent) {
  AboutBox(parent).exec();
}

}  // namespace

QPushButton* HelpButton(QWidget* parent) {
  QPushButton* button = SkinButton(app::kHelpCaption, "Open the help file", "helpButton", parent);
  QObject::connect(button, &QPushButton::clicked, parent, [parent] { OpenHelp(parent); });
  return button;
}

QPushButton* AboutButton(QWidget* parent) {
  QPushButton* button = SkinButton(app::kAboutCaption, "About this program", "aboutButton", parent);
  QObject::connect(button, &QPushButton::clicked, parent, [parent] { ShowAboutBox(parent); });
  return button;
}

QPushButton* LogButton(QWidget* parent) {
  QPushButton* button = SkinButton(app::kLogCaption, "Open the log report", "logButton", parent);
  QObject::connect(button, &QPushButton::clicked, parent, [parent] { OpenLogReport(parent); });
  return button;
}

}  // namespace kestrel::gui
