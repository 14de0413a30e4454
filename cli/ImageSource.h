#pragma once

#include <string>

#include "app/LogReport.h"
#include "app/Result.h"
#include "disk/MediaTree.h"

namespace kestrel::cli {

// The media tree of an image file given with --image: a disk image is one disk; a pool image is
// its own single pool, read from offset 0. A scan information file is refused here.
app::Result<disk::MediaTree> DiscoverImageFile(const std::string& path, const app::LogReport& log);

}  // namespace kestrel::cli
