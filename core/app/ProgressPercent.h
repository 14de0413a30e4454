// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "app/Progress.h"

namespace kestrel::app {

// The position of a 0-100 progress bar: work done of work total, never past 100. Nothing while
// the total is unknown: a bar then shows that work goes on, and the counts and the rate say how
// far, for any percentage would be made up.
std::optional<int> PercentDone(const Progress& progress);

}  // namespace kestrel::app
