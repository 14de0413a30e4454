// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QWidget>
#include <memory>

class QMediaPlayer;
class QSlider;
class QStackedLayout;
class QTemporaryFile;
class QVideoWidget;

namespace kestrel::gui {

class MediaTempFolder;

// Plays audio and video with Qt Multimedia from a private temporary file (see MediaTempFolder):
// video in the preview area keeping its ratio, audio with a disabled position bar. The file is
// removed when the preview closes. The player is made when first needed, so that a page whose
// files are never played opens no audio device. A build without Qt Multimedia (the Windows one,
// for want of a Qt Multimedia built for it) plays nothing and says why in NoPlayerReason().
class CMediaViewer : public QWidget {
  Q_OBJECT

 public:
  explicit CMediaViewer(QWidget* parent);
  ~CMediaViewer() override;

  // False when the machine has no player backend or the file cannot be written: the caller then
  // shows the bytes in hex. A later error of the player says `failed`.
  bool Play(const QByteArray& bytes, const QString& extension, bool video);
  void Close();

  // Empty when this build has a player; else the line the preview shows above the hex.
  static QString NoPlayerReason();
  // Removes the private folders of earlier runs that crashed while they played.
  static void RemoveLeftovers();

  // The player; nothing in a build without one.
  QMediaPlayer* Player();
  // The file being played; empty when none.
  QString PlayedPath() const;

 signals:
  void failed();

 private:
  std::unique_ptr<MediaTempFolder> folder_;
  std::unique_ptr<QTemporaryFile> played_;
  QMediaPlayer* player_ = nullptr;
  QStackedLayout* stack_;
  QWidget* audioPanel_;
  QSlider* position_;
  QVideoWidget* video_ = nullptr;
};

}  // namespace kestrel::gui
