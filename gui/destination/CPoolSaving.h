// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/destination/CSaveFile.h"

namespace kestrel::gui {

// The pool page's destination dialog: the volume page's, under the pool page's name.
class CPoolSaving : public CSaveFile {
  Q_OBJECT

 public:
  CPoolSaving(std::function<std::uint64_t()> bytesToWrite, filter::FilterList& filter,
              QWidget* parent)
      : CSaveFile(std::move(bytesToWrite), filter, parent) {
    setObjectName(QStringLiteral("CPoolSaving"));
  }
};

}  // namespace kestrel::gui
