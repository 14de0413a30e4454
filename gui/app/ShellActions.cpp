// SPDX-License-Identifier: Apache-2.0
#include "gui/app/ShellActions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>

#include "app/HelpTopics.h"
#include "app/ShellTexts.h"
#include "disk/MediaPage.h"
#include "disk/platform/Platform.h"
#include "gui/app/AboutBox.h"
#include "gui/app/HelpWindow.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

void OpenLogReport(QWidget* parent) {
  OpenWithDesktop(ToQString(platform::LogReportPath()), app::kLogNotOpenedText, parent);
}

// The folder KESTREL_NSS_HELP names, else the first of the manual's places that is there (the
// first, to be named as missing, when none is).
QString HelpFolder() {
  const QString configured = qEnvironmentVariable(app::kHelpFolderVariable.data());
  if (!configured.isEmpty()) return configured;
  const std::vector<std::string> folders =
      app::HelpFolders(ToUtf8String(QCoreApplication::applicationDirPath()));
  for (const std::string& folder : folders) {
    if (QFileInfo(ToQString(folder)).isDir()) return QDir::cleanPath(ToQString(folder));
  }
  return ToQString(folders.front());
}

// The manual's page for the page that holds the Help button, in a help window.
void OpenHelp(QWidget* parent) {
  const QString folder = HelpFolder();
  const std::string topic(app::HelpTopicFor(ToUtf8String(parent->window()->objectName())));
  const QString page = ToQString(app::HelpPagePath(ToUtf8String(folder), topic));
  if (!QFileInfo::exists(page)) {
    const std::string text = std::string(app::kHelpMissingText) + "\n" + ToUtf8String(page);
    NoticeDialog("OpenFailed", text, {NoticeDialog::kOk}, parent).exec();
    return;
  }
  auto* window = new HelpWindow(page, parent);
  window->show();
}

void ShowAboutBox(QWidget* parent) {
  AboutBox(parent).exec();
}

}  // namespace

void OpenWithDesktop(const QString& path, std::string_view failureText, QWidget* parent) {
  if (QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
  const std::string text = std::string(failureText) + "\n" + ToUtf8String(path);
  NoticeDialog("OpenFailed", text, {NoticeDialog::kOk}, parent).exec();
}

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

WorkPageButtons MakeWorkPageButtons(QWidget* page, std::string_view stopCaption,
                                    const char* stopTip, const char* continueTip,
                                    const std::function<void(app::LeaveButton)>& leave) {
  auto* row = new QHBoxLayout;
  WorkPageButtons buttons{row, SkinButton(disk::kHomeCaption, "HOME", "homeButton", page),
                          SkinButton(disk::kBackCaption, "BACK", "backButton", page),
                          SkinButton(stopCaption, stopTip, "stopButton", page),
                          SkinButton(disk::kContinueCaption, continueTip, "continueButton", page)};
  QObject::connect(buttons.home, &QPushButton::clicked, page,
                   [leave] { leave(app::LeaveButton::Home); });
  QObject::connect(buttons.back, &QPushButton::clicked, page,
                   [leave] { leave(app::LeaveButton::Back); });
  for (QPushButton* button :
       {buttons.home, buttons.back, HelpButton(page), AboutButton(page), LogButton(page)})
    row->addWidget(button);
  row->addStretch();
  row->addWidget(buttons.stop);
  row->addWidget(buttons.proceed);
  return buttons;
}

}  // namespace kestrel::gui
