// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "destination/Conflicts.h"
#include "gui/common/NoticeDialog.h"

namespace kestrel::gui {

// The question before an image file that exists is replaced: Yes replaces it, No abandons the
// imaging. Used by the imaging pages.
class FileExist : public NoticeDialog {
  Q_OBJECT

 public:
  explicit FileExist(QWidget* parent)
      : NoticeDialog("FileExist", destination::kFileExistQuestion, {kYes, kNo}, parent) {}
};

}  // namespace kestrel::gui
