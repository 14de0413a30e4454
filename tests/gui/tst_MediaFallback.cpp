// SPDX-License-Identifier: Apache-2.0
// The preview area of either build. Pictures of every kind a server's users kept show as
// pictures, the Windows build's through the image format plugins it ships (TIFF scans, Targa and
// WBMP among them). Where the build has no media player (the Windows one), a video is shown in
// hex under the line that says why, and the line goes with the next file; where it has one, the
// line is never shown, even for media it cannot play.
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QTest>

#include "FileInMemory.h"
#include "gui/viewers/CHexViewer.h"
#include "gui/viewers/CImagePreview.h"
#include "gui/viewers/CMediaViewer.h"
#include "gui/viewers/PreviewArea.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;

// Bytes no player can play, under a video's name.
gui::PreviewFile BrokenVideo() {
  return FileInMemory(QByteArray(4096, 'x'), u"holiday.avi");
}

// A picture of the format, made by Qt's own writer (none writes GIF: a 1x1 GIF is given whole).
QByteArray PictureBytes(const char* format) {
  if (QByteArray(format) == "gif")
    return QByteArray::fromHex(
        "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  return picture.save(&buffer, format) ? bytes : QByteArray();
}

}  // namespace

class MediaFallbackTest : public QObject {
  Q_OBJECT

 private slots:
  void picturesOfEveryKindShowAsPictures();
  void theReasonIsShownOverTheHexOnlyWithoutAPlayer();
};

void MediaFallbackTest::picturesOfEveryKindShowAsPictures() {
  gui::PreviewArea area(nullptr);
  area.resize(400, 300);
  area.show();
  for (const char* format : {"png", "jpg", "gif", "tiff", "wbmp"}) {
    const QByteArray bytes = PictureBytes(format);
    QVERIFY2(!bytes.isEmpty(), format);
    area.Show(FileInMemory(bytes, u"picture." + QString::fromLatin1(format).toStdU16String()));
    QTRY_VERIFY2_WITH_TIMEOUT(area.Current() == area.ImagePreview(), format, kTimeout);
    area.Show(FileInMemory("plain words", u"notes.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(area.Current(), area.HexViewer(), kTimeout);
  }
}

void MediaFallbackTest::theReasonIsShownOverTheHexOnlyWithoutAPlayer() {
  const QString reason = gui::CMediaViewer::NoPlayerReason();
  gui::PreviewArea area(nullptr);
  area.resize(400, 300);
  area.show();
  auto* note = area.findChild<QLabel*>("mediaNote");
  area.Show(BrokenVideo());
  if (reason.isEmpty()) {
    QTRY_VERIFY_WITH_TIMEOUT(area.Current() != nullptr, kTimeout);
    QVERIFY2(!note->isVisible(), "a build with a player has no reason to give");
    return;
  }
  QTRY_COMPARE_WITH_TIMEOUT(area.Current(), area.HexViewer(), kTimeout);
  QVERIFY(note->isVisible());
  QCOMPARE(note->text(), reason);

  area.Show(FileInMemory("plain words", u"notes.txt"));
  QTRY_COMPARE_WITH_TIMEOUT(area.Current(), area.HexViewer(), kTimeout);
  QVERIFY2(!note->isVisible(), "the line is the media file's only");
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::MediaFallbackTest)
#include "tst_MediaFallback.moc"
