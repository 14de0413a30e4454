// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

namespace kestrel::gui {

// The about box: the product, its version, and the memory, name and operating system of the
// machine it runs on.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);
};

}  // namespace kestrel::gui
