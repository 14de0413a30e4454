// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QWidget>
#include <optional>
#include <stop_token>
#include <string>

#include "disk/DiskReader.h"
#include "viewers/PreviewKind.h"
#include "volume/FileData.h"

class QLabel;
class QStackedLayout;

namespace kestrel::gui {

class CHexViewer;
class CImagePreview;
class CMediaViewer;
class PreviewWorker;

// A file to preview: where its bytes lie, and its name, whose extension chooses the preview.
struct PreviewFile {
  disk::DiskReader source;
  volume::FileDataLayout layout;
  std::u16string name;
};

// The file's first bytes, read as a preview reads them (unreadable bytes as zeros); nothing when
// a stop request ended the read.
std::optional<QByteArray> ReadHead(const PreviewFile& file, std::uint64_t length,
                                   std::stop_token stop);

// The preview area of the volume page and the pool page: a picture, a playing media file, or the
// hex viewer, for the file picked in the list. Every read and every decoding runs on the area's
// worker; a new pick stops the load of the last one. A picture that does not decode, and media
// that cannot be played, are shown in hex (under a line saying why when the build has no player).
// Nothing read is ever written but the player's private
// temporary file.
class PreviewArea : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewArea(QWidget* parent);

  // Closes the current preview and shows the file (nothing for an empty file). The area is
  // hidden while it shows nothing.
  void Show(PreviewFile file);
  // Stops loading and playing, removes the player's file, empties and hides the area.
  void Close();

  CHexViewer* HexViewer() const { return hex_; }
  CImagePreview* ImagePreview() const { return image_; }
  CMediaViewer* MediaViewer() const { return media_; }
  // What is on show: nothing, or the widget of one of the three.
  QWidget* Current() const;

 private:
  void ShowHex();
  void LoadPicture(std::uint64_t readBytes);
  void LoadMedia(std::uint64_t readBytes, bool video);
  void OnPageWanted(std::uint64_t page);
  void OnMediaFailed();

  PreviewFile file_;
  QStackedLayout* stack_;
  QLabel* caption_;
  QLabel* mediaNote_;
  CHexViewer* hex_;
  CImagePreview* image_;
  CMediaViewer* media_;
  PreviewWorker* worker_;
};

}  // namespace kestrel::gui
