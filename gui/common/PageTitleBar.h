// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

class QAction;
class QPushButton;

namespace kestrel::gui {

// The title bar of a page drawn by the page itself: the title, "-" and "X". Dragging it moves the
// page, which has no frame of the system's.
class PageTitleBar : public QWidget {
  Q_OBJECT

 public:
  PageTitleBar(const QString& title, QWidget* parent);

  // An item of the bar's menu, which a right click on the bar opens as a framed window's system
  // menu would; items come after a separator.
  QAction* AddMenuItem(const QString& text, std::function<void()> chosen);

 signals:
  void closeClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QPoint grabOffset_;
};

}  // namespace kestrel::gui
