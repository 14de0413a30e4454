// SPDX-License-Identifier: Apache-2.0
#include "gui/common/QtProgressObserver.h"

#include <QProgressBar>
#include <QTimer>
#include <utility>

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
  Report report{percent, progress, estimate, describe_ ? describe_(progress) : std::string()};
  if (!moved && !statusChanged && now - lastSent_ < kRateTime) {
    HoldBack(std::move(report));
    return;
  }
  lastPercent_ = percent;
  lastStatus_ = progress.status;
  lastSent_ = now;
  {
    const std::lock_guard lock(heldMutex_);
    held_.reset();  // older than this one
  }
  Send(report);
}

void QtProgressObserver::Send(const Report& report) {
  std::string detail = report.described;
  const std::string figures = app::ProgressDetailText(report.estimate, report.progress.unit);
  if (!detail.empty() && !figures.empty()) detail += "    ";
  emit progressed(report.percent, ToQString(report.progress.status), ToQString(detail + figures));
}

void QtProgressObserver::HoldBack(Report report) {
  const std::lock_guard lock(heldMutex_);
  held_ = std::move(report);
  if (std::exchange(heldSendPlanned_, true)) return;
  QMetaObject::invokeMethod(
      this, [this] { QTimer::singleShot(kRateTime, this, &QtProgressObserver::SendHeld); },
      Qt::QueuedConnection);
}

void QtProgressObserver::SendHeld() {
  std::optional<Report> report;
  {
    const std::lock_guard lock(heldMutex_);
    report.swap(held_);
    heldSendPlanned_ = false;
  }
  if (report) Send(*report);
}

void ShowPercent(QProgressBar& bar, int percent) {
  const bool known = percent != QtProgressObserver::kUnknownPercent;
  bar.setRange(0, known ? 100 : 0);
  if (known) bar.setValue(percent);
}

}  // namespace kestrel::gui
