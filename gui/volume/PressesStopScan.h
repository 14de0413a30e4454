// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/common/NoticeDialog.h"
#include "volume/VolumePage.h"

namespace kestrel::gui {

// The question behind "STOP SCAN": Yes ends the scan or the recovery, No lets it go on.
class PressesStopScan : public NoticeDialog {
  Q_OBJECT

 public:
  explicit PressesStopScan(QWidget* parent)
      : NoticeDialog("PressesStopScan", volume::kStopQuestion, {kYes, kNo}, parent) {}
};

}  // namespace kestrel::gui
