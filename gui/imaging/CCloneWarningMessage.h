#pragma once

#include "gui/common/NoticeDialog.h"
#include "imaging/CloneChoice.h"

namespace kestrel::gui {

// The last question before a clone: its only button is Yes, and only a Yes starts the run;
// closing it any other way starts nothing.
class CCloneWarningMessage : public NoticeDialog {
  Q_OBJECT

 public:
  explicit CCloneWarningMessage(QWidget* parent)
      : NoticeDialog("CCloneWarningMessage", imaging::kCloneWarning, {kYes}, parent) {}
};

}  // namespace kestrel::gui
