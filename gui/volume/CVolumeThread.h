// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "gui/volume/ScanThread.h"
#include "savedscan/ScanFileReader.h"
#include "volume/VolumeScanner.h"

namespace kestrel::gui {

// The volume page's worker: the scan of a volume's chain of tree blocks, or the replay of a saved
// volume scan.
class CVolumeThread : public ScanThread {
  Q_OBJECT

 public:
  CVolumeThread(volume::VolumeScanSource source, const app::LogReport& log, QObject* parent);
  CVolumeThread(savedscan::SavedScan saved, QObject* parent);
};

}  // namespace kestrel::gui
