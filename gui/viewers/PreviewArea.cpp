// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/PreviewArea.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "gui/common/QtText.h"
#include "gui/viewers/CHexViewer.h"
#include "gui/viewers/CImagePreview.h"
#include "gui/viewers/CMediaViewer.h"
#include "gui/viewers/PreviewWorker.h"
#include "viewers/HexPage.h"
#include "viewers/PreviewRead.h"

namespace kestrel::gui {
namespace {

using Show = viewers::PreviewPlan::Show;

QString ExtensionOf(const std::u16string& name) {
  const QString text = ToQString(name);
  return text.mid(text.lastIndexOf(QLatin1Char('.')) + 1).toLower();
}

}  // namespace

std::optional<QByteArray> ReadHead(const PreviewFile& file, std::uint64_t length,
                                   std::stop_token stop) {
  QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
  const auto read = viewers::ReadForPreview(
      file.source, file.layout,
      {reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())},
      stop);
  if (read.stopped) return std::nullopt;
  bytes.truncate(static_cast<qsizetype>(read.bytes));
  return bytes;
}

PreviewArea::PreviewArea(QWidget* parent)
    : QWidget(parent),
      stack_(new QStackedLayout()),
      caption_(new QLabel(QStringLiteral("Preview"), this)),
      mediaNote_(new QLabel(CMediaViewer::NoPlayerReason(), this)),
      hex_(new CHexViewer(this)),
      image_(new CImagePreview(this)),
      media_(new CMediaViewer(this)),
      worker_(new PreviewWorker(this)) {
  setObjectName(QStringLiteral("previewArea"));
  caption_->setObjectName(QStringLiteral("previewCaption"));
  caption_->setAlignment(Qt::AlignCenter);
  mediaNote_->setObjectName(QStringLiteral("mediaNote"));
  mediaNote_->setWordWrap(true);
  mediaNote_->hide();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(mediaNote_);
  column->addLayout(stack_);
  for (QWidget* widget : std::initializer_list<QWidget*>{caption_, hex_, image_, media_})
    stack_->addWidget(widget);
  connect(hex_, &CHexViewer::pageWanted, this, &PreviewArea::OnPageWanted);
  connect(media_, &CMediaViewer::failed, this, &PreviewArea::OnMediaFailed);
  hide();  // until there is something to show, the list beside has the room
}

QWidget* PreviewArea::Current() const {
  QWidget* shown = stack_->currentWidget();
  return shown == caption_ ? nullptr : shown;
}

void PreviewArea::Show(PreviewFile file) {
  Close();
  file_ = std::move(file);
  const viewers::PreviewPlan plan = viewers::PlanPreview(file_.name, file_.layout.size);
  if (plan.show != Show::Nothing) show();
  switch (plan.show) {
    case Show::Nothing:
      return;
    case Show::Hex:
      return ShowHex();
    case Show::Picture:
      return LoadPicture(plan.readBytes);
    case Show::Video:
    case Show::Audio:
      return LoadMedia(plan.readBytes, plan.show == Show::Video);
  }
}

void PreviewArea::Close() {
  worker_->Cancel();
  media_->Close();
  image_->Clear();
  hex_->Clear();
  mediaNote_->hide();
  stack_->setCurrentWidget(caption_);
  hide();
}

void PreviewArea::ShowHex() {
  stack_->setCurrentWidget(hex_);
  hex_->Open(file_.layout.size);
}

void PreviewArea::OnPageWanted(std::uint64_t page) {
  worker_->Post([this, file = file_, page](std::stop_token) -> PreviewWorker::Deliver {
    return [this, shown = viewers::ReadHexPage(file.source, file.layout, page)]() mutable {
      hex_->ShowPage(std::move(shown));
    };
  });
}

void PreviewArea::LoadPicture(std::uint64_t readBytes) {
  worker_->Post([this, file = file_, readBytes,
                 box = PictureBox(size())](std::stop_token stop) -> PreviewWorker::Deliver {
    std::optional<QByteArray> bytes = ReadHead(file, readBytes, stop);
    if (!bytes) return {};
    QImage picture = DecodePicture(std::move(*bytes), box);
    return [this, picture = std::move(picture)] {
      if (picture.isNull()) return ShowHex();
      image_->SetPicture(picture);
      stack_->setCurrentWidget(image_);
    };
  });
}

void PreviewArea::LoadMedia(std::uint64_t readBytes, bool video) {
  worker_->Post(
      [this, file = file_, readBytes, video](std::stop_token stop) -> PreviewWorker::Deliver {
        std::optional<QByteArray> bytes = ReadHead(file, readBytes, stop);
        if (!bytes) return {};
        return [this, bytes = std::move(*bytes), video] {
          if (!media_->Play(bytes, ExtensionOf(file_.name), video)) {
            mediaNote_->setVisible(!mediaNote_->text().isEmpty());
            return ShowHex();
          }
          stack_->setCurrentWidget(media_);
        };
      });
}

void PreviewArea::OnMediaFailed() {
  if (stack_->currentWidget() != media_) return;
  media_->Close();
  ShowHex();
}

}  // namespace kestrel::gui
