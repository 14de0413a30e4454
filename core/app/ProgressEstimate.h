// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/Progress.h"

namespace kestrel::app {

// What a progress display may say about a long operation at one moment.
struct ProgressEstimate {
  std::uint64_t done = 0;
  std::uint64_t total = 0;            // 0: not known
  std::optional<int> percent;         // only with a known total, and never more than is done
  std::optional<double> rate;         // units a second, once a stretch of work has been timed
  std::optional<double> secondsLeft;  // once enough is done to tell; never negative
};

// Turns the reports of one operation into rate and time left. The rate is measured over
// stretches of at least half a second and smoothed, each new value lying between the old one and
// the stretch's own rate, so that the time left does not jump with every burst of a disk. No time
// left is told in the first two seconds or the first per cent: too little is known then.
class ProgressEstimator {
 public:
  // elapsedSeconds: since the operation began.
  ProgressEstimate Update(const Progress& progress, double elapsedSeconds);

 private:
  double sampleTime_ = 0;
  std::uint64_t sampleDone_ = 0;
  std::optional<double> rate_;
};

// "12.00 MB of 4.00 GB  85.31 MB/s  0:42 left", or with an unknown total "1234 blocks  310
// blocks/s". Empty before anything is done.
std::string ProgressDetailText(const ProgressEstimate& estimate, WorkUnit unit);

// "0:42", "12:05", "1:02:05".
std::string DurationText(double seconds);

}  // namespace kestrel::app
