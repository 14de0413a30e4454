// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "gui/common/NoticeDialog.h"

namespace kestrel::gui {

// The notice at the end of a recovery run: what was written, skipped, renamed and not written
// whole, and where (volume::SavingSummary). When the run's report was written to a local
// folder, "Open report" ends it with kOpenReport, for the page to open the report.
class RecoveredMessage : public NoticeDialog {
  Q_OBJECT

 public:
  static constexpr int kOpenReport = 2;

  RecoveredMessage(const std::string& summary, bool reportToOpen, QWidget* parent)
      : NoticeDialog("RecoveredMessage", summary, {}, parent) {
    if (reportToOpen) AddButton({"Open report", "openReportButton", kOpenReport});
    AddButton(kOk);
  }
};

}  // namespace kestrel::gui
