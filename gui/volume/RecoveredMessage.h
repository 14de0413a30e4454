#pragma once

#include <string>

#include "gui/common/NoticeDialog.h"

namespace kestrel::gui {

// The notice at the end of a recovery run: what was written, skipped, renamed and not written
// whole, and where (volume::SavingSummary).
class RecoveredMessage : public NoticeDialog {
  Q_OBJECT

 public:
  RecoveredMessage(const std::string& summary, QWidget* parent)
      : NoticeDialog("RecoveredMessage", summary, {kOk}, parent) {}
};

}  // namespace kestrel::gui
