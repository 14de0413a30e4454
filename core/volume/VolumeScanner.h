// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"
#include "volume/FileTree.h"

namespace kestrel::volume {

// A volume chosen in media discovery, as the volume scan reads it.
struct VolumeScanSource {
  disk::DiskReader reader;
  std::int64_t poolBase = 0;
  std::uint64_t rootBlock = 0;
  std::int64_t extentSectors = 0;  // of the NetWare partition holding the volume
  disk::PartitionChain chain;      // for a chain of leaf blocks that runs past the partition
  std::u16string volumeName;
  std::string sourcePath;  // the disk's logical name or the image file, as saved scans name it
};

enum class ScanOutcome {
  Completed,   // the chain ended (NoBlock, or a link back to a block already read)
  EndedEarly,  // a block of the chain is not a tree block: no completion lines in the log
  Stopped,     // stopped by the user: what was filed stays, orphans are dropped
  Unreadable,  // a block of the chain could not be read and no partition continues it
};

// Why a scan read less than the whole volume, for the person who asked for it; empty when it
// completed or when the user stopped it.
std::string_view ScanShortfallText(ScanOutcome outcome);

// A tree with only its top item, named after the volume, and the root record (key 127).
FileTree NewVolumeTree(std::u16string volumeName);

// Walks the volume's chain of leaf blocks from its root block and files every file and folder
// record into the tree, deleted ones included. Writes the scan's log lines; checks the stop
// token before each block.
ScanOutcome ScanVolume(const VolumeScanSource& source, FileTree& tree,
                       app::ProgressObserver& observer, std::stop_token stop,
                       const app::LogReport& log);

}  // namespace kestrel::volume
