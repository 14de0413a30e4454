// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>

#include "app/PauseGate.h"
#include "app/Progress.h"
#include "app/ProgressEstimate.h"

class QProgressBar;

namespace kestrel::gui {

// Hands a worker's progress to the page as signals, which reach the GUI thread queued because
// they are emitted on the worker's thread: the bar's position, the status text, and the detail
// beside the bar (work done, rate and time left, after the operation's own words when it has
// any). It speaks whenever the bar moves, when the status changes (at most every 50 ms) and
// twice a second for the rate, so that a fast worker cannot flood the page. A report held back
// is not lost: when the worker says nothing more (a read that hangs on a failing disk), the last
// one reaches the page half a second later, so that the page never shows older counts.
class QtProgressObserver : public QObject, public app::ProgressObserver {
  Q_OBJECT

 public:
  // The percent of `progressed` while the work's total is not known.
  static constexpr int kUnknownPercent = -1;

  using Describe = std::function<std::string(const app::Progress&)>;

  explicit QtProgressObserver(Describe describe = {}, QObject* parent = nullptr);

  void OnProgress(const app::Progress& progress) override;

  // Holds the work at its next report until Resume, or until its stop is requested; the work
  // hands over its stop token with WatchStop when it begins, on its own thread.
  void Pause() { pause_.Pause(); }
  void Resume() { pause_.Resume(); }
  void WatchStop(std::stop_token stop) { stop_ = std::move(stop); }

 signals:
  void progressed(int percent, const QString& status, const QString& detail);

 private:
  // A report the page has not seen yet. The operation's own words are taken on the worker's
  // thread, where what they describe may be read.
  struct Report {
    int percent = 0;
    app::Progress progress;
    app::ProgressEstimate estimate;
    std::string described;
  };

  void Send(const Report& report);
  void HoldBack(Report report);
  // On the GUI thread: the report held back, if no newer one was sent meanwhile.
  void SendHeld();

  Describe describe_;
  app::PauseGate pause_;
  std::stop_token stop_;
  app::ProgressEstimator estimator_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastSent_{};
  int lastPercent_ = -1;
  std::string lastStatus_;
  std::mutex heldMutex_;
  std::optional<Report> held_;
  bool heldSendPlanned_ = false;
};

// Sets a 0-100 bar to the percent; at kUnknownPercent the bar only shows that work goes on.
void ShowPercent(QProgressBar& bar, int percent);

}  // namespace kestrel::gui
