// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "imaging/ProgressGrid.h"

namespace kestrel::imaging {

// Where an imaging or cloning run stands, as its page shows it. The worker updates it on its own
// thread and then calls its progress observer, which may read it during that call (a desktop page
// copies what it paints).
struct CopyStatus {
  std::uint64_t currentSector = 0;  // the source sector being read ("Reading Sector:")
  std::uint64_t sectorsDone = 0;    // read and handed on, counted from the start of the range
  std::uint64_t bytesWritten = 0;   // on the destination; for an image, m_imagedBytes
  std::uint64_t bytesBeforeLastWrite = 0;  // chooses the unit of the image size text
  std::uint64_t unreadableSectors = 0;
  ProgressGrid grid;
};

}  // namespace kestrel::imaging
