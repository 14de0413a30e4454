// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/ProgressGridView.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "imaging/CopyTexts.h"

namespace kestrel::gui {
namespace {

using imaging::BlockState;
using imaging::ProgressGrid;

// Each square takes 9 pixels with the grid line on its top and left side; one more line closes
// the grid: 42 * 9 + 1 = 379 pixels.
constexpr int kPitch = 9;
constexpr int kSide = ProgressGrid::kSide * kPitch + 1;
const QColor kGridLine(160, 160, 160);
const QColor kCross(255, 255, 255);

// A legend's square, painted as the grid paints the state it stands for.
class Swatch : public QWidget {
 public:
  Swatch(const ProgressGridView& grid, BlockState state, QWidget* parent)
      : QWidget(parent), grid_(grid), state_(state) {
    setFixedSize(2 * kPitch, 2 * kPitch);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), kGridLine);
    grid_.PaintSquare(painter, rect().adjusted(1, 1, -1, -1), state_);
  }

 private:
  const ProgressGridView& grid_;
  BlockState state_;
};

}  // namespace

ProgressGridView::ProgressGridView(Palette palette, QWidget* parent)
    : QWidget(parent), palette_(palette) {
  setObjectName(QStringLiteral("progressGrid"));
  setFixedSize(kSide, kSide);
}

void ProgressGridView::Show(const ProgressGrid& grid) {
  if (grid.States() == states_) return;
  states_ = grid.States();
  update();
}

QColor ProgressGridView::ColourOf(BlockState state) const {
  switch (state) {
    case BlockState::Current:
      return {17, 67, 15};
    case BlockState::Bad:
      return {255, 0, 0};
    case BlockState::Processed:
      return palette_ == Palette::Imaging ? QColor(0, 114, 178) : QColor(183, 206, 0);
    case BlockState::Remaining:
      break;
  }
  return Qt::white;
}

void ProgressGridView::PaintSquare(QPainter& painter, const QRect& square, BlockState state) const {
  painter.fillRect(square, ColourOf(state));
  if (state != BlockState::Bad) return;
  painter.setPen(kCross);
  painter.drawLine(square.topLeft(), square.bottomRight());
  painter.drawLine(square.topRight(), square.bottomLeft());
}

QRect ProgressGridView::SquareRect(int square) const {
  const int row = square / ProgressGrid::kSide;
  const int column = square % ProgressGrid::kSide;
  return {column * kPitch + 1, row * kPitch + 1, kPitch - 1, kPitch - 1};
}

QSize ProgressGridView::sizeHint() const {
  return {kSide, kSide};
}

void ProgressGridView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kGridLine);
  for (int square = 0; square < ProgressGrid::kSquares; ++square)
    PaintSquare(painter, SquareRect(square), states_[static_cast<std::size_t>(square)]);
}

QWidget* SymbolsLegend(const ProgressGridView& grid, QWidget* parent) {
  auto* legend = new QWidget(parent);
  legend->setObjectName(QStringLiteral("symbolsLegend"));
  auto* layout = new QVBoxLayout(legend);
  layout->addWidget(CaptionLabel(imaging::kSymbolsCaption, 13, legend));
  auto* rows = new QGridLayout;
  const std::pair<BlockState, std::string_view> entries[] = {
      {BlockState::Bad, imaging::kBadBlocksCaption},
      {BlockState::Remaining, imaging::kRemainingBlocksCaption},
      {BlockState::Processed, imaging::kProcessedBlocksCaption},
      {BlockState::Current, imaging::kCurrentBlockCaption}};
  int row = 0;
  for (const auto& [state, caption] : entries) {
    rows->addWidget(new Swatch(grid, state, legend), row, 0);
    rows->addWidget(new QLabel(ToQString(caption), legend), row++, 1);
  }
  layout->addLayout(rows);
  layout->addStretch();
  return legend;
}

}  // namespace kestrel::gui
