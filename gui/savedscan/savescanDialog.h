// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/common/NoticeDialog.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {

// The question on leaving the volume page with a scan that is not saved: Yes saves it first, No
// leaves without it. Cancel, Escape and closing the question stay on the page: a slip of a key
// must not throw a long scan away.
class savescanDialog : public NoticeDialog {
  Q_OBJECT

 public:
  static constexpr int kLeaveUnsaved = 2;

  explicit savescanDialog(QWidget* parent)
      : NoticeDialog("savescanDialog", savedscan::kSaveScanQuestion,
                     {kYes,
                      {"No", "noButton", kLeaveUnsaved},
                      {app::kCancelCaption, "cancelButton", Rejected}},
                     parent) {}
};

}  // namespace kestrel::gui
