// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "volume/FileTree.h"

namespace kestrel::volume {

// "Total:  %s Folder(s): %d  File(s): %d": the size text of the files' bytes, the folders and
// the files found.
std::string TotalText(std::uint64_t totalSize, std::uint32_t folderCount, std::uint32_t fileCount);
std::string TotalText(const TreeCounters& counters);

}  // namespace kestrel::volume
