// SPDX-License-Identifier: Apache-2.0
// Rate and time left of a long operation, as every progress display shows them.
#include <gtest/gtest.h>

#include "app/ProgressEstimate.h"

namespace kestrel::app {
namespace {

constexpr std::uint64_t kMiB = 1 << 20;

TEST(ProgressEstimate, TellsNoTimeLeftBeforeEnoughIsKnown) {
  ProgressEstimator estimator;
  EXPECT_FALSE(estimator.Update({kMiB, 1000 * kMiB, {}}, 0.5).secondsLeft) << "after half a second";
  EXPECT_FALSE(estimator.Update({2 * kMiB, 1000 * kMiB, {}}, 1.5).secondsLeft);
  EXPECT_FALSE(estimator.Update({5 * kMiB, 1000 * kMiB, {}}, 3.0).secondsLeft)
      << "less than one per cent done";
  const ProgressEstimate later = estimator.Update({20 * kMiB, 1000 * kMiB, {}}, 4.0);
  ASSERT_TRUE(later.secondsLeft);
  EXPECT_GT(*later.secondsLeft, 0);
}

TEST(ProgressEstimate, TimeLeftIsNeverNegative) {
  ProgressEstimator estimator;
  estimator.Update({0, 100 * kMiB, {}}, 0);
  estimator.Update({50 * kMiB, 100 * kMiB, {}}, 3);
  const ProgressEstimate over = estimator.Update({150 * kMiB, 100 * kMiB, {}}, 4);
  ASSERT_TRUE(over.secondsLeft);
  EXPECT_EQ(*over.secondsLeft, 0);
  EXPECT_EQ(over.done, 100 * kMiB) << "no more is shown done than the total";
  const ProgressEstimate back = estimator.Update({10 * kMiB, 100 * kMiB, {}}, 5);
  ASSERT_TRUE(back.rate);
  EXPECT_GE(*back.rate, 0) << "work that seems to go backwards is no negative rate";
  EXPECT_GE(back.secondsLeft.value_or(0), 0);
}

TEST(ProgressEstimate, RateMovesSteadilyTowardsANewSpeed) {
  ProgressEstimator estimator;
  std::uint64_t done = 0;
  double t = 0;
  for (int i = 0; i < 10; ++i, t += 1) estimator.Update({done += 100 * kMiB, 0, {}}, t);
  const double fast = *estimator.Update({done += 100 * kMiB, 0, {}}, t).rate;
  double previous = fast;
  for (int i = 0; i < 20; ++i) {
    t += 1;
    const double rate = *estimator.Update({done += 10 * kMiB, 0, {}}, t).rate;
    EXPECT_LE(rate, previous) << "falls without jumping back up";
    EXPECT_GE(rate, 10.0 * kMiB) << "never overshoots the new speed";
    previous = rate;
  }
  EXPECT_LT(previous, 11.0 * kMiB) << "and gets there";
}

TEST(ProgressEstimate, UnknownTotalGivesCountsAndRateWithoutPercentage) {
  ProgressEstimator estimator;
  estimator.Update({0, 0, {}, WorkUnit::Blocks}, 0);
  const ProgressEstimate estimate = estimator.Update({250, 0, {}, WorkUnit::Blocks}, 1);
  EXPECT_FALSE(estimate.percent);
  EXPECT_FALSE(estimate.secondsLeft);
  EXPECT_EQ(ProgressDetailText(estimate, WorkUnit::Blocks), "250 blocks  250 blocks/s");
}

TEST(ProgressEstimate, PercentageNeverClaimsMoreThanIsDone) {
  ProgressEstimator estimator;
  EXPECT_EQ(*estimator.Update({999, 1000, {}}, 0).percent, 99);
  EXPECT_EQ(*estimator.Update({1000, 1000, {}}, 0).percent, 100);
  EXPECT_EQ(*estimator.Update({5, 1000, {}}, 0).percent, 0);
}

TEST(ProgressEstimate, Texts) {
  EXPECT_EQ(DurationText(42.2), "0:43");
  EXPECT_EQ(DurationText(3725), "1:02:05");
  EXPECT_EQ(DurationText(-3), "0:00");
  ProgressEstimate estimate{kMiB, 4 * kMiB, 25, 2.0 * kMiB, 1.5};
  EXPECT_EQ(ProgressDetailText(estimate, WorkUnit::Bytes),
            "1.00 MB of 4.00 MB  2.00 MB/s  0:02 left");
}

}  // namespace
}  // namespace kestrel::app
