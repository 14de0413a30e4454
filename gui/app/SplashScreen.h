// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

namespace kestrel::gui {

// The splash screen with the product picture. It closes itself after four seconds, or at once
// on a key or a mouse button.
class SplashScreen : public QDialog {
  Q_OBJECT

 public:
  explicit SplashScreen(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace kestrel::gui
