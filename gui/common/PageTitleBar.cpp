// SPDX-License-Identifier: Apache-2.0
#include "gui/common/PageTitleBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "gui/common/Skin.h"

namespace kestrel::gui {

PageTitleBar::PageTitleBar(const QString& title, QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 4, 4, 4);
  auto* caption = new QLabel(title, this);
  caption->setFont(CaptionFont(15));
  layout->addWidget(caption);
  layout->addStretch();
  QPushButton* minimise = SkinButton("-", "Minimise", "minimiseButton", this);
  QPushButton* close = SkinButton("X", "Close", "closeButton", this);
  for (QPushButton* button : {minimise, close}) {
    button->setFixedWidth(32);
    layout->addWidget(button);
  }
  connect(minimise, &QPushButton::clicked, this, [this] { window()->showMinimized(); });
  connect(close, &QPushButton::clicked, this, &PageTitleBar::closeClicked);
}

QAction* PageTitleBar::AddMenuItem(const QString& text, std::function<void()> chosen) {
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  auto* item = new QAction(text, this);
  connect(item, &QAction::triggered, this, std::move(chosen));
  addActions({separator, item});
  return item;
}

void PageTitleBar::mousePressEvent(QMouseEvent* event) {
  grabOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void PageTitleBar::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton)
    window()->move(event->globalPosition().toPoint() - grabOffset_);
}

}  // namespace kestrel::gui
