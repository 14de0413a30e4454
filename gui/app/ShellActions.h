// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string_view>

#include "app/Navigation.h"

class QHBoxLayout;
class QPushButton;
class QString;
class QWidget;

// What every page offers: the log report, the help file and the about box, and their buttons.
namespace kestrel::gui {

// The skinned buttons, made and wired. Help opens the help file beside the program, Log the log
// report with the desktop's default viewer; a file that cannot be opened is said, not ignored.
QPushButton* HelpButton(QWidget* parent);
// Opens the file with the desktop's default program, or says that it could not (failureText and
// the path).
void OpenWithDesktop(const QString& path, std::string_view failureText, QWidget* parent);
QPushButton* AboutButton(QWidget* parent);
QPushButton* LogButton(QWidget* parent);

// The button row of a page whose work runs on a worker: HOME, BACK, Help, About and Log on the
// left, STOP and Continue on the right. HOME and BACK go to `leave`; the page wires the others.
struct WorkPageButtons {
  QHBoxLayout* row;
  QPushButton* home;
  QPushButton* back;
  QPushButton* stop;
  QPushButton* proceed;  // Continue
};
WorkPageButtons MakeWorkPageButtons(QWidget* page, std::string_view stopCaption,
                                    const char* stopTip, const char* continueTip,
                                    const std::function<void(app::LeaveButton)>& leave);

}  // namespace kestrel::gui
