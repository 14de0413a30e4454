// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

namespace kestrel::gui {

// The Create Image tab "Drive Imaging": its description and the buttons that open the imaging
// pages (a disk or a pool into an image file) and the cloning page (a disk onto another).
class MyCreateImage : public QWidget {
  Q_OBJECT

 public:
  explicit MyCreateImage(QWidget* parent);

 signals:
  void createImageClicked();
  void cloneDiskClicked();
};

}  // namespace kestrel::gui
