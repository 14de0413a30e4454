// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "pool/PoolScanner.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

// Saving a volume scan from the volume page: "S SCAN" and the question asked on leaving.
namespace kestrel::savedscan {

inline constexpr std::string_view kSaveScanTitle = "Save Scan";
inline constexpr std::string_view kSaveScanInitialName = "Kestrel Varnoak NSS Recovery";
// The file dialog's filter: the text shown, whose pattern the dialog reads from the parentheses.
inline constexpr std::string_view kScanFileFilter = "(*.IMG)";
inline constexpr std::string_view kSaveScanQuestion =
    "Save logical volume's scan information?\n(Click Yes if you wish to resume recovery of this "
    "logical volume at a later stage)";
inline constexpr std::string_view kWritingScanFileText = "Writing the scan information file";
inline constexpr std::string_view kReadingScanFileText = "Reading the scan information file";
inline constexpr std::string_view kStartedSavingLogText = "Started saving the scan information";
inline constexpr std::string_view kScanSavedLogText = "Scan information saved";

// How the file of a volume scan names its source: the volume's label as the media page shows
// it, the disk's logical name (or the image file), and the pool's base.
SourceDescription DescribeVolumeScan(const volume::VolumeScanSource& source);

// How the file of a pool scan names its source: the pool's label as the media page shows it, or
// "Pool" for a pool image, which belongs to no disk; the source; and the first super block met,
// the base of the files' blocks.
SourceDescription DescribePoolScan(const pool::PoolScanSource& source, std::int64_t poolBase);

// Leaving the volume page asks whether to save its scan when it has not been saved (a resumed
// scan counts as saved) and there is something to save: asking otherwise would leave a "Yes"
// that can do nothing.
bool AsksToSaveOnLeaving(bool scanSaved, const volume::FileTree& tree);

}  // namespace kestrel::savedscan
