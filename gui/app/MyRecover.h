// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

namespace kestrel::gui {

// The Fresh Recovery tab: its heading, its text and the button that starts media discovery.
class MyRecover : public QWidget {
  Q_OBJECT

 public:
  explicit MyRecover(QWidget* parent);

 signals:
  void startClicked();
};

}  // namespace kestrel::gui
