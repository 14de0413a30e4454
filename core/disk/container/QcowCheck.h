#pragma once

#include <optional>
#include <string>

#include "disk/DiskReader.h"

namespace kestrel::disk {

// Why a QCOW2 file (version 2 or 3) cannot be handed to libqcow: its L1 table, an L2 table or an
// uncompressed cluster that its tables name ends past the end of the file, as in a file cut short
// by a failed copy. libqcow reads such a cluster past the end of its own buffer, so the file is
// refused first, naming the offset. Nothing when every one lies within the file, and for what
// this check does not read (version 1, extended L2 entries, a header too short): the library
// judges those itself.
std::optional<std::string> QcowTablesPastEnd(const DiskReader& file);

}  // namespace kestrel::disk
