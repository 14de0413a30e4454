#pragma once

#include <string>

#include "gui/common/NoticeDialog.h"

namespace kestrel::gui {

// The notice at the end of a recovery run: "Recovered Successfully" when every file was written
// whole, else what was written and what went wrong (volume::SavingSummary).
class RecoveredMessage : public NoticeDialog {
  Q_OBJECT

 public:
  RecoveredMessage(const std::string& summary, QWidget* parent)
      : NoticeDialog("RecoveredMessage", summary, {kOk}, parent) {}
};

}  // namespace kestrel::gui
