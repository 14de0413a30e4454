// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/CMediaViewer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QSlider>
#include <QStackedLayout>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "gui/viewers/MediaTempFolder.h"

namespace kestrel::gui {

CMediaViewer::CMediaViewer(QWidget* parent)
    : QWidget(parent),
      folder_(std::make_unique<MediaTempFolder>()),
      stack_(new QStackedLayout(this)),
      audioPanel_(new QWidget(this)),
      position_(new QSlider(Qt::Horizontal, audioPanel_)) {
  setObjectName(QStringLiteral("mediaViewer"));
  position_->setEnabled(false);  // audio is heard, not steered
  auto* audioLayout = new QVBoxLayout(audioPanel_);
  audioLayout->addStretch();
  audioLayout->addWidget(position_);
  audioLayout->addStretch();
  stack_->addWidget(audioPanel_);
}

QMediaPlayer* CMediaViewer::Player() {
  if (player_) return player_;
  player_ = new QMediaPlayer(this);
  player_->setAudioOutput(new QAudioOutput(player_));
  video_ = new QVideoWidget(this);
  video_->setAspectRatioMode(Qt::KeepAspectRatio);
  stack_->addWidget(video_);
  player_->setVideoOutput(video_);
  connect(player_, &QMediaPlayer::durationChanged, position_,
          [this](qint64 duration) { position_->setRange(0, static_cast<int>(duration)); });
  connect(player_, &QMediaPlayer::positionChanged, position_,
          [this](qint64 position) { position_->setValue(static_cast<int>(position)); });
  connect(player_, &QMediaPlayer::errorOccurred, this, [this] {
    if (played_) emit failed();
  });
  return player_;
}

CMediaViewer::~CMediaViewer() {
  Close();
}

bool CMediaViewer::Play(const QByteArray& bytes, const QString& extension, bool video) {
  Close();
  if (!Player()->isAvailable() || !folder_->IsValid()) return false;
  played_ = folder_->NewFile(extension);
  if (!played_ || played_->write(bytes) != bytes.size() || !played_->flush()) {
    played_.reset();
    return false;
  }
  stack_->setCurrentWidget(video ? static_cast<QWidget*>(video_) : audioPanel_);
  position_->setValue(0);
  player_->setSource(QUrl::fromLocalFile(played_->fileName()));
  player_->play();
  return true;
}

void CMediaViewer::Close() {
  if (!played_) return;
  player_->stop();
  player_->setSource({});
  played_.reset();
}

QString CMediaViewer::PlayedPath() const {
  return played_ ? played_->fileName() : QString();
}

QString CMediaViewer::NoPlayerReason() {
  return {};
}

void CMediaViewer::RemoveLeftovers() {
  MediaTempFolder::RemoveLeftovers();
}

}  // namespace kestrel::gui
