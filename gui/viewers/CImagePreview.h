// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>

namespace kestrel::gui {

// Draws a picture inside the preview area, inset by 1 pixel: at its own size when it fits, else
// shrunk keeping its ratio, centred.
class CImagePreview : public QWidget {
  Q_OBJECT

 public:
  explicit CImagePreview(QWidget* parent);

  void SetPicture(QImage picture);
  void Clear() { SetPicture({}); }
  const QImage& Picture() const { return picture_; }
  // Where the picture is drawn, in the widget's coordinates.
  QRect DrawnRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

// The room a picture has in a preview of this size; a picture decoded for it is drawn unscaled.
QSize PictureBox(QSize preview);

// Decodes a picture from its bytes with QImageReader, by its content, and shrinks a picture larger
// than the box while decoding (a JPEG decoder then reads far less). QImageReader's allocation
// limit stays as Qt sets it, so a damaged header claiming a huge picture fails to decode instead of
// taking the memory. A null image when it does not decode.
QImage DecodePicture(QByteArray bytes, QSize box);

}  // namespace kestrel::gui
