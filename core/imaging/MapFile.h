// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "imaging/SectorCopy.h"
#include "imaging/SectorRange.h"

// The map file of an image: what the image lacks, so that the user knows which of its bytes are
// not the source's and can verify or complete the copy later.
namespace kestrel::imaging {

// A GNU ddrescue map file of the image, so that the map reads back here (files on areas never
// read are marked) and in ddrescue's own tools: a comment header that names the source and where
// the image starts on it, the current position line, then one line "position  size  status" per
// run, in bytes from the start of the image: "+" copied, "-" could not be read (zeros in the
// image), "?" the rest of the range when the copy was stopped.
std::string MapFileText(const std::string& sourceName, SectorRange range,
                        const CopyOutcome& outcome);

// The comment line of a map that holds the SHA-256 of the image it was written with, when the
// image was hashed: a report of a scan of the image names it.
inline constexpr std::string_view kImageDigestLabel = "# SHA-256 of the image: ";
// That SHA-256 from a map's text; "" when the map holds none.
std::string ImageDigestInMap(std::string_view text);

// Nothing when the file was written; else why not.
std::optional<app::Failure> WriteMapFile(const std::string& path, const std::string& text);

}  // namespace kestrel::imaging
