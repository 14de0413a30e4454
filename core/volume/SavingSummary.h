// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "volume/SavingRun.h"

namespace kestrel::volume {

// The notice at the end of a recovery run, which the log report gets too: a headline, then how
// many files were written (and their bytes, and where), skipped at the user's choice, renamed and
// not recovered whole, file by file. "Recovered Successfully" heads it only when files were
// written and every file to write was written whole: after "SkipAll" nothing may have been.
std::string SavingSummary(const SavingReport& report, const std::string& destination);

}  // namespace kestrel::volume
