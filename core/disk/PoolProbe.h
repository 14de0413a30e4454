// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/ByteReader.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"

namespace kestrel::disk {

// What to make of a partition whose PoolLabel names a pool but whose super block is unreadable
// or lacks "SPB5": discovery offers no pool for it; the disk scan and a pool image offer one
// marked "super block damaged", so that its pool scan can still be run.
enum class DamagedSuperBlock { Skip, Offer };

// The pool of the NetWare partition whose header (already read) lies at headerOffset: its name
// from the PoolLabel, its volumes from the volume directory. Nothing when the partition's
// super block lacks "SPB5" (unless damaged ones are offered), nor when it has neither a super
// block nor a named label (the last header of a chain). A sector that cannot be read counts as
// absent, never as the previous sector's bytes.
std::optional<PoolEntry> ProbePool(const DiskReader& reader, std::int64_t headerOffset,
                                   ByteView header, const std::string& sourcePath,
                                   DamagedSuperBlock damaged = DamagedSuperBlock::Skip);

}  // namespace kestrel::disk
