// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "app/Progress.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "imaging/BadSectorMap.h"
#include "imaging/CopyStatus.h"
#include "imaging/SectorRange.h"

// The sector copy under imaging and cloning: the range is copied square by square of the progress
// grid, each square in chunks; a chunk that cannot be read in one request is read again sector by
// sector. A sector that still cannot be read is written as 512 zero bytes and counted: an image
// and a clone both hold zeros there, never what the destination held before, which would pass for
// the source's data.
namespace kestrel::imaging {

struct CopyPlan {
  SectorRange source;
  std::uint64_t destinationFirst = 0;  // the destination sector that source.first is written to
  std::uint32_t chunkSectors = 0;
  bool hashDestination = false;  // the SHA-256 of the bytes in destination order
  std::string (*statusText)(const CopyStatus&) = nullptr;
};

struct CopyOutcome {
  std::uint64_t sectorsDone = 0;  // from source.first; fewer than the range when stopped
  std::uint64_t bytesWritten = 0;
  BadSectorMap unreadable;  // source sector numbers
  std::string sha256;       // when asked for
  bool stopped = false;
};

// Copies the plan's range from the source onto the destination. The stop token is checked before
// each chunk: a chunk already read is still written, and then the copy ends. Reading runs ahead of
// writing by a few chunks, on this thread; writing (and hashing) have their own threads. At the
// end, also after a stop, what was written is flushed to the destination's storage. A write or a
// flush that fails ends the copy with the failure.
app::Result<CopyOutcome> CopySectors(const disk::DiskReader& source, const CopyPlan& plan,
                                     platform::SectorWriter& destination, CopyStatus& status,
                                     app::ProgressObserver& observer, std::stop_token stop);

}  // namespace kestrel::imaging
