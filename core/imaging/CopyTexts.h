#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imaging/CopyStatus.h"
#include "imaging/SectorRange.h"

// The texts the imaging and cloning pages show.
namespace kestrel::imaging {

// The image size after a write: "%i bytes", "%i MB" (of 1048576 bytes) or "%i GB" (of 1073741824
// bytes), the unit chosen by the size before that write: bytes below 1 MiB, MB up to 1 GiB, GB
// above.
std::string ImageSizeText(std::uint64_t bytesBefore, std::uint64_t bytesAfter);

// "Reading Sector:" and "Image Size:" of the imaging page, as one status line.
std::string ImagingStatusText(const CopyStatus& status);

// "Processing" of the cloning page, as a status line.
std::string CloningStatusText(const CopyStatus& status);

// "Block Size" of the cloning page: "%.3f MB" of the sectors of a progress block / 2048.
std::string BlockSizeText(std::uint64_t blockSectors);

// The three lines of "Item Information" for a chosen disk or pool: its size in MB, its starting
// sector and its ending sector.
std::array<std::string, 3> ItemInformationLines(SectorRange range);

}  // namespace kestrel::imaging
