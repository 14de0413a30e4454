// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <string>

#include "app/Progress.h"
#include "app/ProgressEstimate.h"

namespace kestrel::cli {

// Shows a progress line on standard error when it is a terminal: the status text, the work done
// with its percentage where the total is known, the rate and, once it can be told, the time left.
// Redrawn at most ten times a second, and once more when the work is complete.
class ProgressLine : public app::ProgressObserver {
 public:
  explicit ProgressLine(std::string title);
  ~ProgressLine() override;

  void OnProgress(const app::Progress& progress) override;

 private:
  std::string title_;
  bool terminal_;
  bool drawn_ = false;
  bool completeDrawn_ = false;
  app::ProgressEstimator estimator_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace kestrel::cli
