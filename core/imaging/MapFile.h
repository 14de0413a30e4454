#pragma once

#include <optional>
#include <string>

#include "app/Result.h"
#include "imaging/SectorCopy.h"
#include "imaging/SectorRange.h"

// The map file of an image: what the image lacks, so that the user knows which of its bytes are
// not the source's and can verify or complete the copy later.
namespace kestrel::imaging {

// A comment header that names the source and where the image starts on it, then one line
// "position  size  status" per run of sectors missing from the image, in bytes from the start of
// the image, hexadecimal as in GNU ddrescue's map files: "-" for sectors that could not be read
// (zeros in the image), "?" for the rest of the range when the copy was stopped.
std::string MapFileText(const std::string& sourceName, SectorRange range,
                        const CopyOutcome& outcome);

// Nothing when the file was written; else why not.
std::optional<app::Failure> WriteMapFile(const std::string& path, const std::string& text);

}  // namespace kestrel::imaging
