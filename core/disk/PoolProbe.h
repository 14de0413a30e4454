#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/ByteReader.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"

namespace kestrel::disk {

// The pool of the NetWare partition whose header (already read) lies at headerOffset: its name
// from the PoolLabel, its volumes from the volume directory. Nothing when the partition's
// super block lacks "SPB5". A sector that cannot be read counts as absent, never as the
// previous sector's bytes.
std::optional<PoolEntry> ProbePool(const DiskReader& reader, std::int64_t headerOffset,
                                   ByteView header, const std::string& sourcePath);

}  // namespace kestrel::disk
