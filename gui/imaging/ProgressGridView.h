// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QColor>
#include <QWidget>
#include <array>

class QPainter;

#include "imaging/ProgressGrid.h"

namespace kestrel::gui {

// The grid of progress blocks of the imaging and cloning pages: 42 x 42 squares of 9 pixels with
// their grid lines, painted from a copy of the core's ProgressGrid that the page hands over. The
// worker never paints; the page copies the grid when progress reaches it.
class ProgressGridView : public QWidget {
  Q_OBJECT

 public:
  // A processed block is blue on the imaging page, a green on the cloning page; a bad block is red
  // and crossed on both, so that neither can be taken for the other, with or without colour.
  enum class Palette { Imaging, Cloning };

  ProgressGridView(Palette palette, QWidget* parent);

  void Show(const imaging::ProgressGrid& grid);
  const std::array<imaging::BlockState, imaging::ProgressGrid::kSquares>& States() const {
    return states_;
  }
  QColor ColourOf(imaging::BlockState state) const;
  // One square as the grid paints it: its colour, and a cross on a bad block.
  void PaintSquare(QPainter& painter, const QRect& square, imaging::BlockState state) const;
  // Where the square is painted, for the legend and for tests.
  QRect SquareRect(int square) const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Palette palette_;
  std::array<imaging::BlockState, imaging::ProgressGrid::kSquares> states_{};
};

// "Symbols": a square of each colour of the grid with its text.
QWidget* SymbolsLegend(const ProgressGridView& grid, QWidget* parent);

}  // namespace kestrel::gui
