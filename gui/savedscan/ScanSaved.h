// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/common/NoticeDialog.h"
#include "savedscan/SaveRules.h"

namespace kestrel::gui {

// The notice that the scan information file was written.
class ScanSaved : public NoticeDialog {
  Q_OBJECT

 public:
  explicit ScanSaved(QWidget* parent)
      : NoticeDialog("ScanSaved", savedscan::kScanSavedText, {kOk}, parent) {}
};

}  // namespace kestrel::gui
