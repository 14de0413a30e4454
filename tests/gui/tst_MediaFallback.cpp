// SPDX-License-Identifier: Apache-2.0
// Audio and video in the preview area of either build: where the build has no media player (the
// Windows one), a video is shown in hex under the line that says why, and the line goes with
// the next file; where it has one, the line is never shown, even for media it cannot play.
#include <QLabel>
#include <QTest>

#include "FileInMemory.h"
#include "gui/viewers/CHexViewer.h"
#include "gui/viewers/CMediaViewer.h"
#include "gui/viewers/PreviewArea.h"

namespace kestrel::guitest {
namespace {

constexpr int kTimeout = 30000;

// Bytes no player can play, under a video's name.
gui::PreviewFile BrokenVideo() {
  return FileInMemory(QByteArray(4096, 'x'), u"holiday.avi");
}

}  // namespace

class MediaFallbackTest : public QObject {
  Q_OBJECT

 private slots:
  void theReasonIsShownOverTheHexOnlyWithoutAPlayer();
};

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
