// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QColor>
#include <QFont>
#include <string_view>

class QApplication;
class QLabel;
class QPushButton;
class QWidget;

// The look of the program: one page colour, bold Arial captions, and skinned buttons whose tool
// tips say what they do.
namespace kestrel::gui {

// RGB(233, 232, 232): the background of every page and dialog.
QColor PageColour();

// Bold Arial of the given pixel height, or the nearest installed font.
QFont CaptionFont(int pixelSize);

// Palette, button skin and icon theme for the whole application.
void ApplyProgramLook(QApplication& application);

QPushButton* SkinButton(std::string_view caption, std::string_view toolTip, const char* objectName,
                        QWidget* parent = nullptr);

QLabel* CaptionLabel(std::string_view text, int pixelSize, QWidget* parent = nullptr);

}  // namespace kestrel::gui
