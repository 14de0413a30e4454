// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stop_token>
#include <string>

#include "app/LogReport.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"

namespace kestrel::cli {

// A disk, or an image file, with what media discovery found on it.
struct DiscoveredSource {
  disk::DiskReader reader;
  disk::MediaTree tree;
  bool poolImage = false;  // an image of one pool, which begins with its PartitionHeader
};

// The media tree of an image file given with --image, told apart by its first bytes: a disk
// image is one disk; a pool image is its own single pool, read from offset 0. A scan information
// file is refused here. A stop request ends the opening of a container.
app::Result<DiscoveredSource> DiscoverImageFile(const std::string& path, std::stop_token stop,
                                                const app::LogReport& log);

}  // namespace kestrel::cli
