// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "Manifest.h"
#include "Status.h"

namespace kestrel::mkimage {

// Writes what a complete recovery of every listed entry would produce: the exact bytes of each
// file (deleted ones included; skipped records, which no scan yields, and bulk entries left out)
// and each folder, at DIR/<pool name>/<volume label>/<path>. A file entry with a second name
// appears under both names. Two entries at one path are an error.
Status WriteExpectedFiles(const Manifest& manifest, const std::string& directory);

}  // namespace kestrel::mkimage
