// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <stop_token>
#include <string_view>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "imaging/CopyStatus.h"
#include "imaging/SectorCopy.h"

namespace kestrel::imaging {

// Cloning reads up to 64 sectors (32 KiB) a request.
inline constexpr std::uint32_t kCloningChunkSectors = 64;

inline constexpr std::string_view kStartedDiskCloning = "Started disk cloning";
inline constexpr std::string_view kDiskCloningStopped = "Disk cloning stopped.";

// One cloning run: disk N read from sector 0 to its last sector onto disk M.
struct CloneJob {
  disk::DiskReader source;
  int sourceDisk = 0;
  std::uint64_t sectors = 0;  // the source's real sector count
  int destinationDisk = 0;
};

// Copies every sector of the source onto the destination at the same sector number, and flushes
// the destination at the end. A sector that cannot be read is written as zeros and counted: what
// the destination held there before would pass for the source's data. Writes "Started disk
// cloning" to the log report at the start, "Disk cloning stopped." when the stop token ended the
// run, and the number of unreadable sectors at the end.
app::Result<CopyOutcome> CloneDisk(const CloneJob& job, platform::SectorWriter& destination,
                                   CopyStatus& status, app::ProgressObserver& observer,
                                   std::stop_token stop, const app::LogReport& log);

// Opens disk N for reading and disk M for writing (a disk with a mounted file system is refused
// there), clones the source's sectors as above, and closes both before it returns.
app::Result<CopyOutcome> CloneDisks(int sourceDisk, std::uint64_t sectors, int destinationDisk,
                                    CopyStatus& status, app::ProgressObserver& observer,
                                    std::stop_token stop, const app::LogReport& log);

}  // namespace kestrel::imaging
