// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "disk/DiskReader.h"
#include "imaging/ChunkRing.h"

namespace kestrel::imaging {

// Reads the chunk's sectors in one request, or, when that fails, sector by sector, one attempt
// each; a sector that still fails is listed in chunk.unreadable and holds zeros, never what the
// buffer held before.
void ReadChunk(const disk::DiskReader& source, Chunk& chunk);

}  // namespace kestrel::imaging
