// SPDX-License-Identifier: Apache-2.0
#include "app/ProgressEstimate.h"

#include <algorithm>
#include <cmath>

#include "app/SizeText.h"

namespace kestrel::app {
namespace {

constexpr double kSampleSeconds = 0.5;
constexpr double kSmoothing = 0.3;  // the weight of the newest stretch
constexpr double kQuietSeconds = 2.0;
constexpr double kQuietFraction = 0.01;

std::optional<int> PercentOf(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return std::nullopt;
  if (done >= total) return 100;
  // Rounded down, and in floating point so that counts near 2^64 cannot overflow.
  return std::min(99, static_cast<int>(std::floor(static_cast<double>(done) * 100.0 /
                                                  static_cast<double>(total))));
}

std::string AmountText(double amount, WorkUnit unit) {
  switch (unit) {
    case WorkUnit::Bytes:
      return SizeText(static_cast<std::uint64_t>(amount));
    case WorkUnit::Blocks:
      return Format("%.0f blocks", amount);
    case WorkUnit::Records:
      break;
  }
  return Format("%.0f records", amount);
}

}  // namespace

ProgressEstimate ProgressEstimator::Update(const Progress& progress, double elapsedSeconds) {
  ProgressEstimate estimate;
  estimate.total = progress.total;
  estimate.done = progress.total != 0 ? std::min(progress.done, progress.total) : progress.done;
  estimate.percent = PercentOf(progress.done, progress.total);
  const double stretch = elapsedSeconds - sampleTime_;
  if (stretch >= kSampleSeconds) {
    // Work that seems to go backwards counts as none done in the stretch.
    const double worked =
        estimate.done > sampleDone_ ? static_cast<double>(estimate.done - sampleDone_) : 0.0;
    const double sample = worked / stretch;
    rate_ = rate_ ? *rate_ + kSmoothing * (sample - *rate_) : sample;
    sampleTime_ = elapsedSeconds;
    sampleDone_ = std::max(sampleDone_, estimate.done);
  }
  estimate.rate = rate_;
  const bool enoughKnown =
      progress.total != 0 && elapsedSeconds >= kQuietSeconds &&
      static_cast<double>(estimate.done) >= kQuietFraction * static_cast<double>(progress.total);
  if (enoughKnown && rate_ && *rate_ > 0)
    estimate.secondsLeft = static_cast<double>(progress.total - estimate.done) / *rate_;
  return estimate;
}

std::string ProgressDetailText(const ProgressEstimate& estimate, WorkUnit unit) {
  if (estimate.done == 0 && estimate.total == 0) return {};
  std::string text = AmountText(static_cast<double>(estimate.done), unit);
  if (estimate.total != 0) text += " of " + AmountText(static_cast<double>(estimate.total), unit);
  if (estimate.rate) text += "  " + AmountText(*estimate.rate, unit) + "/s";
  if (estimate.secondsLeft) text += "  " + DurationText(*estimate.secondsLeft) + " left";
  return text;
}

std::string DurationText(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
  const long long hours = whole / 3600;
  if (hours > 0) return Format("%lld:%02lld:%02lld", hours, whole / 60 % 60, whole % 60);
  return Format("%lld:%02lld", whole / 60, whole % 60);
}

}  // namespace kestrel::app
