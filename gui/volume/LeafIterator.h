// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "gui/volume/ScanPage.h"
#include "savedscan/ScanFileReader.h"
#include "volume/VolumeScanner.h"

namespace kestrel::gui {

// The volume page: the scan of a volume's chain of tree blocks (or the replay of a saved volume
// scan), then the browsing, recovery and saving its twin the pool page shares.
class LeafIterator : public ScanPage {
  Q_OBJECT

 public:
  LeafIterator(volume::VolumeScanSource source, const app::LogReport& log, QWidget* parent);
  LeafIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent);
};

}  // namespace kestrel::gui
