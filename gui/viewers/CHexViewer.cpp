// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/CHexViewer.h"

#include <QFontDatabase>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace kestrel::gui {
namespace {

constexpr int kMargin = 3;
constexpr int kHeaderGap = 4;  // between the column heads and the frame line below them
constexpr int kLines = static_cast<int>(viewers::kHexPageBytes / viewers::kHexLineBytes);
const QColor kOffsetColour(0, 0, 255);
const QColor kUnreadableColour(176, 0, 0);

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), text.size());
}

}  // namespace

CHexViewer::CHexViewer(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("hexViewer"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  QScrollBar* bar = verticalScrollBar();
  bar->setSingleStep(1);
  bar->setPageStep(1);
  connect(bar, &QScrollBar::actionTriggered, this, &CHexViewer::OnBarAction);
  connect(bar, &QScrollBar::valueChanged, this, &CHexViewer::OnBarMoved);
  Clear();
}

void CHexViewer::Open(std::uint64_t fileSize) {
  open_ = true;
  columns_ = viewers::HexColumnsFor(fileSize);
  FitHorizontalBar();
  scroll_ = viewers::HexScroll(viewers::HexPageCount(fileSize));
  shown_ = {};
  wanted_ = 0;
  {
    const QSignalBlocker blocker(verticalScrollBar());
    verticalScrollBar()->setRange(0, scroll_.Maximum());
    verticalScrollBar()->setValue(0);
  }
  viewport()->update();
  emit pageWanted(0);
}

void CHexViewer::Clear() {
  open_ = false;
  shown_ = {};
  wanted_ = 0;
  const QSignalBlocker blocker(verticalScrollBar());
  verticalScrollBar()->setRange(0, 0);
  viewport()->update();
}

void CHexViewer::ShowPage(viewers::HexPage page) {
  if (!open_ || page.index != wanted_) return;
  shown_ = std::move(page);
  viewport()->update();
}

void CHexViewer::GoTo(std::uint64_t page) {
  page = std::min(page, scroll_.LastPage());
  if (!open_ || page == wanted_) return;
  wanted_ = page;
  const int position = scroll_.PositionOf(page);
  if (verticalScrollBar()->value() != position) {
    const QSignalBlocker blocker(verticalScrollBar());
    verticalScrollBar()->setValue(position);
  }
  emit pageWanted(page);
}

// A line or a page is one page of 256 bytes, even where a position of the bar stands for many.
bool CHexViewer::Step(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderPageStepAdd:
      GoTo(wanted_ + 1);
      return true;
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderPageStepSub:
      GoTo(wanted_ == 0 ? 0 : wanted_ - 1);
      return true;
    case QAbstractSlider::SliderToMinimum:
      GoTo(0);
      return true;
    case QAbstractSlider::SliderToMaximum:
      GoTo(scroll_.LastPage());
      return true;
    default:
      return false;
  }
}

void CHexViewer::OnBarAction(int action) {
  if (Step(action)) verticalScrollBar()->setSliderPosition(scroll_.PositionOf(wanted_));
}

void CHexViewer::OnBarMoved(int position) {
  GoTo(scroll_.PageAt(position));
}

void CHexViewer::keyPressEvent(QKeyEvent* event) {
  static const QHash<int, int> kSteps = {{Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},
                                         {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
                                         {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},
                                         {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},
                                         {Qt::Key_Home, QAbstractSlider::SliderToMinimum},
                                         {Qt::Key_End, QAbstractSlider::SliderToMaximum}};
  if (!Step(kSteps.value(event->key(), QAbstractSlider::SliderNoAction)))
    QAbstractScrollArea::keyPressEvent(event);
}

void CHexViewer::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
  if (notches > 0) GoTo(wanted_ > std::uint64_t(notches) ? wanted_ - notches : 0);
  if (notches < 0) GoTo(wanted_ + std::uint64_t(-notches));
  event->accept();
}

void CHexViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  FitHorizontalBar();
}

// A narrow preview area scrolls the columns sideways.
void CHexViewer::FitHorizontalBar() {
  const int content = 2 * kMargin + columns_.Width() * CharacterWidth();
  horizontalScrollBar()->setRange(0, std::max(0, content - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

int CHexViewer::LineHeight() const {
  return fontMetrics().height();
}

int CHexViewer::CharacterWidth() const {
  return fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

QSize CHexViewer::sizeHint() const {
  const int width = 2 * kMargin + columns_.Width() * CharacterWidth() +
                    verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
  const int height = 2 * kMargin + kHeaderGap + (kLines + 1) * LineHeight() + 2 * frameWidth();
  return {width, height};
}

void CHexViewer::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const int cw = CharacterWidth();
  const int lh = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int scrolled = horizontalScrollBar()->value();
  const auto x = [&](int column) { return kMargin + column * cw - scrolled; };
  const int frameY = kMargin + lh + kHeaderGap / 2;
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(0, frameY, viewport()->width(), frameY);
  for (int column : {columns_.offsetDigits + 1, columns_.Characters() - 1})
    painter.drawLine(x(column), 0, x(column), viewport()->height());
  if (!open_) return;
  const int headerY = kMargin + ascent;
  painter.setPen(kOffsetColour);
  painter.drawText(x(0), headerY, QStringLiteral("Offset"));
  painter.setPen(palette().color(QPalette::Text));
  for (std::size_t i = 0; i < viewers::kHexLineBytes; ++i)
    painter.drawText(x(columns_.Cell(i) + 1), headerY, QString::number(i, 16).toUpper());
  painter.drawText(x(columns_.Characters()), headerY, QStringLiteral("ANSI TEXT"));
  int y = headerY + lh + kHeaderGap;
  for (const viewers::HexLine& line : shown_.lines) {
    painter.setPen(kOffsetColour);
    painter.drawText(x(0), y, Latin1(line.offsetText));
    for (std::size_t i = 0; i < line.cells.size(); ++i) {
      const bool unreadable = line.cells[i] == viewers::kUnreadableCell;
      painter.setPen(unreadable ? kUnreadableColour : palette().color(QPalette::Text));
      painter.drawText(x(columns_.Cell(i)), y, Latin1(line.cells[i]));
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(x(columns_.Characters()), y, Latin1(line.characters));
    y += lh;
  }
}

}  // namespace kestrel::gui
