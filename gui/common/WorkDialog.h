// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <functional>
#include <string_view>

#include "app/Progress.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/WorkerThread.h"

class QLabel;
class QProgressBar;

namespace kestrel::gui {

// A small modal window with a bar, for work that the page must wait for before it goes on
// (writing or reading a scan file): the work runs on a worker, and the window's own event loop
// keeps every window of the program painted and answering meanwhile.
class WorkDialog : public QDialog {
  Q_OBJECT

 public:
  using Job = std::function<void(app::ProgressObserver&)>;
  // Percent: the job reports how far it is. Busy: it cannot tell, and the bar only moves.
  enum class Bar { Percent, Busy };

  WorkDialog(const char* name, std::string_view title, QWidget* parent, Bar bar = Bar::Percent);

  // Runs the job and returns once it has ended.
  void Run(Job job);

 protected:
  void reject() override {}  // the work cannot be left half done

 private:
  QtProgressObserver observer_;
  QProgressBar* bar_;
  QLabel* detail_;
  WorkerThread worker_;  // last: joined before what the job uses goes
};

}  // namespace kestrel::gui
