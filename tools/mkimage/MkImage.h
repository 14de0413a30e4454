// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Layout.h"
#include "Manifest.h"
#include "Status.h"

namespace kestrel::mkimage {

// What to write: one image per disk of the layout, in layout order; or, with `poolImage`, the
// single image of that pool (its partition from its PartitionHeader, sizeSectors * 512 bytes).
struct OutputRequest {
  std::vector<std::string> imagePaths;
  std::optional<std::string> poolImage;
};

// The layout file, or the built-in demo layout for the name "demo".
Result<Layout> LoadLayout(const std::string& fileOrDemo);

// The request fits the layout: one path per disk, or one path and a pool that exists.
Status CheckOutputs(const Layout& layout, const OutputRequest& request);

// Writes the images sparse and reports what they hold.
Result<Manifest> BuildImages(const Layout& layout, const OutputRequest& request);

}  // namespace kestrel::mkimage
