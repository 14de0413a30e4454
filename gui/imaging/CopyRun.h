// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>

#include "app/Progress.h"
#include "app/Result.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"
#include "imaging/CopyStatus.h"
#include "imaging/SectorCopy.h"

namespace kestrel::gui {

// One imaging or cloning run on its worker thread, as its page sees it. The worker fills the
// core's CopyStatus and never touches a widget: whenever the progress observer speaks, the status
// is copied under a lock, and the page paints that copy when the signal reaches it. The job opens
// and closes what it writes to (the image or the disk) itself, so that Stop only asks and the
// page never closes a file under the worker.
class CopyRun : public QObject {
  Q_OBJECT

 public:
  using Outcome = app::Result<imaging::CopyOutcome>;
  using Job = std::function<Outcome(imaging::CopyStatus&, app::ProgressObserver&, std::stop_token)>;

  explicit CopyRun(QObject* parent);

  void Start(Job job);
  // Asks the worker to stop before its next chunk; it ends on its own.
  void RequestStop() { worker_.RequestStop(); }
  // Holds the run before its next chunk while the stop question is on screen.
  void Pause() { observer_.Pause(); }
  void Resume() { observer_.Resume(); }
  bool IsRunning() const { return worker_.IsRunning(); }

  // The status as last reported; after `finished`, as the run ended.
  imaging::CopyStatus Shown() const;
  // After `finished`: what the run did, or why it failed.
  const std::optional<Outcome>& Result() const { return outcome_; }

 signals:
  // The page reads Shown(); detail is the work done with rate and time left.
  void progressed(int percent, const QString& detail);
  void finished();

 private:
  void Copy();

  imaging::CopyStatus working_;  // the worker's, read by the page only after `finished`
  mutable std::mutex shownMutex_;
  imaging::CopyStatus shown_;
  std::optional<Outcome> outcome_;
  QtProgressObserver observer_;
  WorkerThread worker_;  // last: stopped and joined before the rest goes
};

}  // namespace kestrel::gui
