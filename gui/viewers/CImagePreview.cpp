// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/CImagePreview.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include "viewers/PictureFit.h"

namespace kestrel::gui {
namespace {

constexpr int kInset = 1;

}  // namespace

CImagePreview::CImagePreview(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("imagePreview"));
}

void CImagePreview::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  update();
}

QSize PictureBox(QSize preview) {
  return preview.shrunkBy({kInset, kInset, kInset, kInset});
}

QRect CImagePreview::DrawnRect() const {
  const QSize box = PictureBox(size());
  const viewers::PictureRect fit =
      viewers::FitPicture(picture_.width(), picture_.height(), box.width(), box.height());
  return {kInset + fit.x, kInset + fit.y, fit.width, fit.height};
}

void CImagePreview::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(DrawnRect(), picture_);
}

QImage DecodePicture(QByteArray bytes, QSize box) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid() && !box.isEmpty()) {
    const viewers::PictureRect fit =
        viewers::FitPicture(size.width(), size.height(), box.width(), box.height());
    if (fit.width < size.width()) reader.setScaledSize({fit.width, fit.height});
  }
  return reader.read();
}

}  // namespace kestrel::gui
