// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/common/NoticeDialog.h"
#include "volume/VolumePage.h"

namespace kestrel::gui {

// The notice when HOME, BACK or X are pressed while a scan or a recovery runs: stop it first.
class StopScanning : public NoticeDialog {
  Q_OBJECT

 public:
  explicit StopScanning(QWidget* parent)
      : NoticeDialog("StopScanning", volume::kStopCurrentProcessText, {kOk}, parent) {}
};

}  // namespace kestrel::gui
