#pragma once

#include <QObject>
#include <QString>
#include <chrono>

#include "app/Progress.h"

namespace kestrel::gui {

// Hands a worker's progress to the page as signals, which reach the GUI thread queued because
// they are emitted on the worker's thread. It speaks whenever the bar moves or the status changes,
// and no more than once every 50 ms otherwise, so that a fast worker cannot flood the page.
class QtProgressObserver : public QObject, public app::ProgressObserver {
  Q_OBJECT

 public:
  using QObject::QObject;

  void OnProgress(const app::Progress& progress) override;

 signals:
  void progressed(int percent, const QString& status);

 private:
  std::chrono::steady_clock::time_point lastSent_{};
  int lastPercent_ = -1;
  std::string lastStatus_;
};

}  // namespace kestrel::gui
