#pragma once

#include <QPoint>
#include <QWidget>

class QPushButton;

namespace kestrel::gui {

// The title bar of a page drawn by the page itself: the title, "-" and "X". Dragging it moves the
// page, which has no frame of the system's.
class PageTitleBar : public QWidget {
  Q_OBJECT

 public:
  PageTitleBar(const QString& title, QWidget* parent);

 signals:
  void closeClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QPoint grabOffset_;
};

}  // namespace kestrel::gui
