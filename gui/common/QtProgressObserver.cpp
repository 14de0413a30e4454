#include "gui/common/QtProgressObserver.h"

#include <QProgressBar>

#include "app/ProgressPercent.h"
#include "gui/common/QtText.h"

namespace kestrel::gui {
namespace {

constexpr std::chrono::milliseconds kQuietTime(50);
constexpr std::chrono::milliseconds kRateTime(500);

}  // namespace

QtProgressObserver::QtProgressObserver(Describe describe, QObject* parent)
    : QObject(parent), describe_(std::move(describe)), start_(std::chrono::steady_clock::now()) {}

void QtProgressObserver::OnProgress(const app::Progress& progress) {
  pause_.WaitWhilePaused(stop_);
  const int percent = app::PercentDone(progress).value_or(kUnknownPercent);
  const auto now = std::chrono::steady_clock::now();
  const app::ProgressEstimate estimate =
      estimator_.Update(progress, std::chrono::duration<double>(now - start_).count());
  const bool moved = percent != lastPercent_;
  const bool statusChanged = progress.status != lastStatus_ && now - lastSent_ >= kQuietTime;
  if (!moved && !statusChanged && now - lastSent_ < kRateTime) return;
  lastPercent_ = percent;
  lastStatus_ = progress.status;
  lastSent_ = now;
  std::string detail = describe_ ? describe_(progress) : std::string();
  const std::string figures = app::ProgressDetailText(estimate, progress.unit);
  if (!detail.empty() && !figures.empty()) detail += "    ";
  emit progressed(percent, ToQString(progress.status), ToQString(detail + figures));
}

void ShowPercent(QProgressBar& bar, int percent) {
  const bool known = percent != QtProgressObserver::kUnknownPercent;
  bar.setRange(0, known ? 100 : 0);
  if (known) bar.setValue(percent);
}

}  // namespace kestrel::gui
