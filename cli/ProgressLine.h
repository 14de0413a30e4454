#pragma once

#include <chrono>
#include <string>

#include "app/Progress.h"

namespace kestrel::cli {

// Shows a progress line on standard error when it is a terminal: the status text, the
// percentage and, once it can be told, the time left. Redrawn at most ten times a second.
class ProgressLine : public app::ProgressObserver {
 public:
  explicit ProgressLine(std::string title);
  ~ProgressLine() override;

  void OnProgress(const app::Progress& progress) override;

 private:
  std::string title_;
  bool terminal_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace kestrel::cli
