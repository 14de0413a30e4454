// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/common/NoticeDialog.h"
#include "imaging/CloneChoice.h"

namespace kestrel::gui {

// The last question before a clone: only a Yes starts the run. No, and closing it any other way,
// start nothing; No is there so that the way out of overwriting a disk can be seen.
class CCloneWarningMessage : public NoticeDialog {
  Q_OBJECT

 public:
  explicit CCloneWarningMessage(QWidget* parent)
      : NoticeDialog("CCloneWarningMessage", imaging::kCloneWarning, {kYes, kNo}, parent) {}
};

}  // namespace kestrel::gui
