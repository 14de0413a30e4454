// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "disk/MediaPage.h"

// The disk scan page "Disk Scanning": its captions, and the panels it shows for its root.
namespace kestrel::diskscan {

inline constexpr std::string_view kDiskScanCaption = "Disk Scanning";
inline constexpr std::string_view kDiskScanTreeRoot = "Disk";
inline constexpr std::string_view kStopScanningCaption = "Stop Scanning";
inline constexpr disk::PanelTexts kDiskScanRootTexts{
    "Recover Data ", "Tree on the left will display all the Pools and Volumes in the Disk.  ",
    "Select pool or Volume in the tree and click 'Continue'.  ",
    "This will start scanning Process to recover Data."};

}  // namespace kestrel::diskscan
