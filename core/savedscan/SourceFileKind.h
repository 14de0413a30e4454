// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "disk/ByteReader.h"

namespace kestrel::savedscan {

// The only identification of a scan information file: its first 35 bytes.
inline constexpr std::string_view kScanFileBanner{"KESTREL NSS RECOVERY SCAN DATA FILE"};

enum class SourceFileKind { ScanInformation, PoolImage, DiskImage };

// Tells a chosen file apart by its first bytes: the scan file banner; else the first 8 bytes of
// the PartitionHeader signature (an image of one pool, which begins with its header); else an
// image of a whole disk.
SourceFileKind ClassifySourceFile(disk::ByteView firstBytes);

}  // namespace kestrel::savedscan
