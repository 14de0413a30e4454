// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stop_token>

#include "disk/DiskReader.h"
#include "report/Report.h"
#include "volume/FileTree.h"
#include "volume/SavingRun.h"

namespace kestrel::gui {

// Gives the first pictures the run recovered their thumbnails on the report's page, read from the
// source and decoded as the preview does. `report.files` are the run's files in its order.
void AddThumbnails(report::Report& report, const volume::SavingReport& run,
                   const volume::FileTree& tree, const disk::DiskReader& source,
                   std::int64_t poolBase, std::stop_token stop);

}  // namespace kestrel::gui
