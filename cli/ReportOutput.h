// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <ctime>
#include <string>

#include "MapOptions.h"
#include "ScannedSource.h"
#include "SourceOptions.h"
#include "report/Report.h"

namespace kestrel::cli {

// The start of every report the command line writes: the program, the command, the machine, the
// source and the scan; the files and the end time are the command's.
report::Report ReportOf(const std::string& commandLine, const SourceOptions& options,
                        const ScannedSource& scanned, const std::optional<LoadedMap>& map,
                        std::time_t started);

}  // namespace kestrel::cli
