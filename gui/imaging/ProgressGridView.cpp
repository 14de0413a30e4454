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

QLabel* Swatch(const QColor& colour, QWidget* parent) {
  auto* swatch = new QLabel(parent);
  swatch->setFixedSize(kPitch + 3, kPitch + 3);
  swatch->setStyleSheet(
      QStringLiteral("background: %1; border: 1px solid %2").arg(colour.name(), kGridLine.name()));
  return swatch;
}

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
      return palette_ == Palette::Imaging ? QColor(230, 40, 36) : QColor(183, 206, 0);
    case BlockState::Remaining:
      break;
  }
  return Qt::white;
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
    painter.fillRect(SquareRect(square), ColourOf(states_[static_cast<std::size_t>(square)]));
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
    rows->addWidget(Swatch(grid.ColourOf(state), legend), row, 0);
    rows->addWidget(new QLabel(ToQString(caption), legend), row++, 1);
  }
  layout->addLayout(rows);
  layout->addStretch();
  return legend;
}

}  // namespace kestrel::gui
