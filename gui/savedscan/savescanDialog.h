#pragma once

#include "gui/common/NoticeDialog.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {

// The question on leaving the volume page with a scan that is not saved: Yes saves it first.
class savescanDialog : public NoticeDialog {
  Q_OBJECT

 public:
  explicit savescanDialog(QWidget* parent)
      : NoticeDialog("savescanDialog", savedscan::kSaveScanQuestion, {kYes, kNo}, parent) {}
};

}  // namespace kestrel::gui
