#include "app/ProgressPercent.h"

#include <algorithm>

namespace kestrel::app {

int PercentDone(const Progress& progress) {
  if (progress.bar) return std::clamp(*progress.bar, 0, 100);
  if (progress.total == 0) return 0;
  if (progress.done >= progress.total) return 100;
  // In floating point, so that counts near 2^64 cannot overflow the product.
  return static_cast<int>(static_cast<double>(progress.done) * 100.0 /
                          static_cast<double>(progress.total));
}

}  // namespace kestrel::app
