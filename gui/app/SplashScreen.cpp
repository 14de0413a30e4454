// SPDX-License-Identifier: Apache-2.0
#include "gui/app/SplashScreen.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

// A kestrel in flight over a disk platter: the product picture.
void DrawEmblem(QPainter& painter, const QRectF& area) {
  painter.setPen(QPen(QColor(40, 60, 90), 2));
  painter.setBrush(QColor(200, 208, 218));
  painter.drawEllipse(area);
  painter.setBrush(QColor(120, 132, 148));
  painter.drawEllipse(area.center(), area.width() / 8, area.height() / 8);
  QPainterPath wings;
  const QPointF c = area.center() - QPointF(0, area.height() / 4);
  const double w = area.width() / 2;
  wings.moveTo(c);
  wings.quadTo(c + QPointF(-w / 2, -w / 3), c + QPointF(-w, -w / 8));
  wings.quadTo(c + QPointF(-w / 2, 0), c);
  wings.quadTo(c + QPointF(w / 2, 0), c + QPointF(w, -w / 8));
  wings.quadTo(c + QPointF(w / 2, -w / 3), c);
  painter.setBrush(QColor(150, 75, 30));
  painter.drawPath(wings);
}

}  // namespace

SplashScreen::SplashScreen(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("SplashScreen"));
  setWindowTitle(ToQString(app::kProductTitle));
  setFixedSize(480, 280);
  QTimer::singleShot(app::kSplashMilliseconds, this, &QDialog::accept);
}

void SplashScreen::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(24, 48, 84));
  sky.setColorAt(1, QColor(110, 150, 190));
  painter.fillRect(rect(), sky);
  DrawEmblem(painter, QRectF(30, 60, 160, 160));
  painter.setPen(Qt::white);
  painter.setFont(CaptionFont(24));
  painter.drawText(QRect(200, 90, 270, 80), Qt::AlignLeft | Qt::TextWordWrap,
                   ToQString(app::kProductTitle));
  painter.setFont(CaptionFont(13));
  painter.drawText(QRect(200, 180, 270, 60), Qt::AlignLeft | Qt::TextWordWrap,
                   ToQString(app::kProductTagline));
}

void SplashScreen::keyPressEvent(QKeyEvent* event) {
  event->accept();
  accept();
}

void SplashScreen::mousePressEvent(QMouseEvent*) {
  accept();
}

}  // namespace kestrel::gui
