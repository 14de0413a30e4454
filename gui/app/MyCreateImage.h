#pragma once

#include <QWidget>

namespace kestrel::gui {

// The Create Image tab. Imaging and cloning come with a later version: the buttons are there,
// off, and the tab says what to use meanwhile.
class MyCreateImage : public QWidget {
  Q_OBJECT

 public:
  explicit MyCreateImage(QWidget* parent);
};

}  // namespace kestrel::gui
