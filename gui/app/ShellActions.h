#pragma once

class QPushButton;
class QWidget;

// What every page offers: the log report, the help file and the about box, and their buttons.
namespace kestrel::gui {

// The skinned buttons, made and wired. Help opens the help file beside the program, Log the log
// report with the desktop's default viewer; a file that cannot be opened is said, not ignored.
QPushButton* HelpButton(QWidget* parent);
QPushButton* AboutButton(QWidget* parent);
QPushButton* LogButton(QWidget* parent);

}  // namespace kestrel::gui
