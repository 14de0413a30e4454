// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

#include "disk/MediaPage.h"

class QLabel;

namespace kestrel::gui {

// A label that wraps its text, named for the tests.
QLabel* PanelLabel(const char* name, QWidget* parent);

// The "Description" column of the media page and of the disk scan page: the heading, the
// description, the instruction and the note of the chosen entry, with an optional line for where
// the chosen disk is, under the heading.
class DescriptionPanels : public QWidget {
 public:
  enum class WhereLine { Without, With };

  DescriptionPanels(WhereLine where, QWidget* parent);

  void Show(const disk::PanelTexts& texts);
  void ShowWhere(const QString& text);

 private:
  QLabel* heading_;
  QLabel* where_ = nullptr;
  QLabel* description_;
  QLabel* instruction_;
  QLabel* note_;
};

}  // namespace kestrel::gui
