// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/ReportPictures.h"

#include <QBuffer>
#include <QImage>

#include "gui/viewers/CImagePreview.h"
#include "gui/viewers/PreviewArea.h"

namespace kestrel::gui {
namespace {

// A JPEG of the picture fitted into the thumbnail's square (a smaller one as it is), as a data:
// URI; "" when the file does not decode.
std::string ThumbnailOf(const PreviewFile& file, std::stop_token stop) {
  const auto bytes =
      ReadHead(file, std::min(file.layout.size, report::kThumbnailReadCap), std::move(stop));
  if (!bytes) return {};
  const QImage picture = DecodePicture(*bytes, {report::kThumbnailSide, report::kThumbnailSide});
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "JPEG", 75))
    return {};
  return "data:image/jpeg;base64," + jpeg.toBase64().toStdString();
}

}  // namespace

void AddThumbnails(report::Report& report, const volume::SavingReport& run,
                   const volume::FileTree& tree, const disk::DiskReader& source,
                   std::int64_t poolBase, std::stop_token stop) {
  std::size_t made = 0;
  for (std::size_t i = 0; i < report.files.size() && made < report::kThumbnailCount; ++i) {
    if (stop.stop_requested()) return;
    report::FileEntry& file = report.files[i];
    if (!report::WantsThumbnail(file)) continue;
    const volume::HandledFile& handled = run.handled[i];
    file.thumbnail = ThumbnailOf({source, volume::LayoutFileData(tree, handled.head, poolBase),
                                  tree.Record(handled.head).m_name},
                                 stop);
    made += !file.thumbnail.empty();
  }
}

}  // namespace kestrel::gui
