// SPDX-License-Identifier: Apache-2.0
#include "app/ProgressPercent.h"

namespace kestrel::app {

std::optional<int> PercentDone(const Progress& progress) {
  if (progress.total == 0) return std::nullopt;
  if (progress.done >= progress.total) return 100;
  // In floating point, so that counts near 2^64 cannot overflow the product.
  return static_cast<int>(static_cast<double>(progress.done) * 100.0 /
                          static_cast<double>(progress.total));
}

}  // namespace kestrel::app
