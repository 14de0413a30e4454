// SPDX-License-Identifier: Apache-2.0
#include "gui/common/GuiConflictPrompt.h"

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "app/StopAwareWait.h"

namespace kestrel::gui {
namespace {

// Shared by the waiting worker and the question on the GUI thread, which may outlive the wait.
struct PendingAnswer {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<destination::ConflictAnswer> answer;
};

}  // namespace

destination::ConflictAnswer GuiConflictPrompt::Ask(const destination::ConflictQuestion& question) {
  pause_.WaitWhilePaused(stop_);
  if (stop_.stop_requested()) return {destination::ConflictChoice::SkipAll, {}};
  auto pending = std::make_shared<PendingAnswer>();
  QMetaObject::invokeMethod(
      context_,
      [pending, question, asker = asker_] {
        destination::ConflictAnswer answer = asker(question);
        {
          const std::lock_guard lock(pending->mutex);
          pending->answer = std::move(answer);
        }
        pending->answered.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(pending->mutex);
  if (!app::WaitUnlessStopped(pending->answered, lock, stop_,
                              [&] { return pending->answer.has_value(); }))
    return {destination::ConflictChoice::SkipAll, {}};
  return *pending->answer;
}

}  // namespace kestrel::gui
