// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/LeafIterator.h"

#include "gui/volume/CVolumeThread.h"

namespace kestrel::gui {

LeafIterator::LeafIterator(volume::VolumeScanSource source, const app::LogReport& log,
                           QWidget* parent)
    : ScanPage("LeafIterator", std::make_unique<CVolumeThread>(std::move(source), log, nullptr),
               log, parent) {}

LeafIterator::LeafIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent)
    : ScanPage("LeafIterator", std::make_unique<CVolumeThread>(std::move(saved), nullptr), log,
               parent) {}

}  // namespace kestrel::gui
