// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

// The entry codes that a name-section decoder recognises: 23, 22, 20, 128 and 127.
bool IsKnownCode(std::uint16_t code);

// Rejects combinations of entry fields that have no meaning on disk (a folder with content, a
// zero-length third part of a two-part name, a second name outside form 2, ...).
Status CheckEntryLayout(const EntryLayout& entry);

}  // namespace kestrel::mkimage
