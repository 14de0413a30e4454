// SPDX-License-Identifier: Apache-2.0
// CMediaViewer of a build without Qt Multimedia: nothing is played, so the preview area shows
// audio and video in hex under NoPlayerReason()'s line, and there is no private folder to clean.
#include <QTemporaryFile>

#include "gui/viewers/CMediaViewer.h"
#include "gui/viewers/MediaTempFolder.h"

namespace kestrel::gui {

CMediaViewer::CMediaViewer(QWidget* parent)
    : QWidget(parent), stack_(nullptr), audioPanel_(nullptr), position_(nullptr) {
  setObjectName(QStringLiteral("mediaViewer"));
}

CMediaViewer::~CMediaViewer() = default;

bool CMediaViewer::Play(const QByteArray&, const QString&, bool) {
  return false;
}

void CMediaViewer::Close() {}

QString CMediaViewer::NoPlayerReason() {
  return QStringLiteral(
      "Audio and video are shown in hex: this build of the program has no media player.");
}

void CMediaViewer::RemoveLeftovers() {}

QMediaPlayer* CMediaViewer::Player() {
  return nullptr;
}

QString CMediaViewer::PlayedPath() const {
  return {};
}

}  // namespace kestrel::gui
