#pragma once

#include <string>

#include "volume/SavingRun.h"

namespace kestrel::volume {

// The notice at the end of a recovery run: "Recovered Successfully" only when every file to write
// was written whole; otherwise what was written and, file by file, what went wrong.
std::string SavingSummary(const SavingReport& report);

}  // namespace kestrel::volume
