// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <initializer_list>
#include <string_view>

#include "app/ShellTexts.h"

class QHBoxLayout;

namespace kestrel::gui {

// A small modal notice or question: one fixed text and its buttons. Each button ends the dialog
// with its result; Escape ends it as "No" (rejected).
class NoticeDialog : public QDialog {
  Q_OBJECT

 public:
  struct Button {
    std::string_view caption;
    const char* objectName;
    int result;  // Accepted, Rejected, or a code of the question's own
  };

  static constexpr Button kOk{app::kOkCaption, "okButton", Accepted};
  static constexpr Button kYes{"Yes", "yesButton", Accepted};
  static constexpr Button kNo{"No", "noButton", Rejected};

  // name: the dialog's own name, by which it is known (and found by tests).
  NoticeDialog(const char* name, std::string_view text, std::initializer_list<Button> buttons,
               QWidget* parent);

 protected:
  // A button after those given, for a notice whose buttons depend on what it tells.
  void AddButton(const Button& button);

 private:
  QHBoxLayout* buttons_;
};

}  // namespace kestrel::gui
