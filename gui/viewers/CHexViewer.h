// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>

#include "viewers/HexPage.h"
#include "viewers/HexScroll.h"

namespace kestrel::gui {

// The hex viewer: a page of 256 bytes as offsets, hexadecimal bytes and characters, in the
// system's fixed-width font, with a scroll bar through the whole file. It draws the pages it is
// given and asks for the page it wants; it knows nothing of where the bytes come from. The page on
// screen always carries its own offsets: while the next page is read, the last one stays.
class CHexViewer : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CHexViewer(QWidget* parent);

  // A file of this many bytes, from page 0, which it asks for.
  void Open(std::uint64_t fileSize);
  void Clear();
  // A page read for it; only the page it wants now is taken.
  void ShowPage(viewers::HexPage page);

  std::uint64_t WantedPage() const { return wanted_; }
  const viewers::HexPage& ShownPage() const { return shown_; }

  QSize sizeHint() const override;

 signals:
  void pageWanted(std::uint64_t page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void GoTo(std::uint64_t page);
  // Moves by a slider action that steps (a line, a page, either end); false for any other.
  bool Step(int action);
  void OnBarAction(int action);
  void OnBarMoved(int position);
  void FitHorizontalBar();
  int LineHeight() const;
  int CharacterWidth() const;

  viewers::HexColumns columns_;
  viewers::HexScroll scroll_{0};
  std::uint64_t wanted_ = 0;
  viewers::HexPage shown_;
  bool open_ = false;
};

}  // namespace kestrel::gui
