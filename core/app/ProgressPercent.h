#pragma once

#include "app/Progress.h"

namespace kestrel::app {

// The position of a 0-100 progress bar: the page's own position when the operation gives one,
// else work done of work total; 0 while the total is unknown, and never past 100.
int PercentDone(const Progress& progress);

}  // namespace kestrel::app
