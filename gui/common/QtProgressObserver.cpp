#include "gui/common/QtProgressObserver.h"

#include "app/ProgressPercent.h"
#include "gui/common/QtText.h"

namespace kestrel::gui {
namespace {

constexpr std::chrono::milliseconds kQuietTime(50);

}  // namespace

void QtProgressObserver::OnProgress(const app::Progress& progress) {
  const int percent = app::PercentDone(progress);
  const auto now = std::chrono::steady_clock::now();
  const bool moved = percent != lastPercent_;
  const bool statusChanged = progress.status != lastStatus_;
  if (!moved && !(statusChanged && now - lastSent_ >= kQuietTime)) return;
  lastPercent_ = percent;
  lastStatus_ = progress.status;
  lastSent_ = now;
  emit progressed(percent, ToQString(progress.status));
}

}  // namespace kestrel::gui
