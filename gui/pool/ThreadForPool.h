// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "gui/volume/ScanThread.h"
#include "pool/PoolScanner.h"
#include "savedscan/ScanFileReader.h"

namespace kestrel::gui {

// The pool page's worker: the sector-by-sector search of a pool for tree blocks, or the replay of
// a saved pool scan. Beside the bar it says which sector it reads.
class ThreadForPool : public ScanThread {
  Q_OBJECT

 public:
  ThreadForPool(pool::PoolScanSource source, const app::LogReport& log, QObject* parent);
  ThreadForPool(savedscan::SavedScan saved, QObject* parent);
};

}  // namespace kestrel::gui
