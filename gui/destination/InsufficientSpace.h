// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "destination/FreeSpace.h"
#include "gui/common/NoticeDialog.h"

namespace kestrel::gui {

// The notice that the chosen destination has too little free space for the files to recover.
class InsufficientSpace : public NoticeDialog {
  Q_OBJECT

 public:
  explicit InsufficientSpace(QWidget* parent)
      : NoticeDialog("InsufficientSpace", destination::kInsufficientSpaceText,
                     {{"Ok", "okButton", Accepted}}, parent) {}
};

}  // namespace kestrel::gui
