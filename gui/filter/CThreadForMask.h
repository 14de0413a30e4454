// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <optional>

#include "filter/FileMask.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"
#include "volume/FileTree.h"

namespace kestrel::gui {

// A mask run on a thread of its own: it reads the page's full tree, which the page leaves alone
// until `finished`, and builds the masked tree beside it.
class CThreadForMask : public QObject {
  Q_OBJECT

 public:
  CThreadForMask(const volume::FileTree& full, filter::MaskCriteria criteria, filter::MaskView view,
                 QObject* parent);

  void Start();
  void RequestStop() { worker_.RequestStop(); }
  // Holds the work at its next step while the stop question is on screen.
  void Pause() { observer_.Pause(); }
  void Resume() { observer_.Resume(); }
  bool IsRunning() const { return worker_.IsRunning(); }
  // After `finished`: the masked tree, or nothing when the run was stopped.
  std::optional<volume::FileTree> TakeResult() { return std::move(masked_); }

 signals:
  void progressed(int percent, const QString& status, const QString& detail);
  void finished();

 private:
  const volume::FileTree& full_;
  filter::MaskCriteria criteria_;
  filter::MaskView view_;
  std::optional<volume::FileTree> masked_;
  QtProgressObserver observer_;
  WorkerThread worker_;  // last: it stops and joins the run before the run's data go
};

}  // namespace kestrel::gui
