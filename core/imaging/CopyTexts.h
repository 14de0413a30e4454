// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/CopyStatus.h"
#include "imaging/SectorCopy.h"
#include "imaging/SectorRange.h"

// The texts the imaging and cloning pages show.
namespace kestrel::imaging {

// The source selection page and the file choice.
inline constexpr std::string_view kItemInformationCaption = "Item Information";
inline constexpr std::string_view kImageFileDialogTitle = "Save Scan";
inline constexpr std::string_view kImageFileInitialName = "Kestrel Varnoak Image";
inline constexpr std::string_view kImageFileFilter = "(*.IMG)";

// The imaging progress page.
inline constexpr std::string_view kDiskImageCreationCaption = "Disk Image Creation";
inline constexpr std::string_view kProcessingInfoCaption = "Processing Info";
inline constexpr std::string_view kReadingSectorCaption = "Reading Sector:";
inline constexpr std::string_view kImageSizeCaption = "Image Size:";
inline constexpr std::string_view kStopCaption = "Stop";
inline constexpr std::string_view kStopImagingQuestion =
    "This process can not be resumed from the current stage.\n\nDo you want to abort the current "
    "process?";

// The legend of the grid, on both pages.
inline constexpr std::string_view kSymbolsCaption = "Symbols";
inline constexpr std::string_view kBadBlocksCaption = "Bad Block(s)";
inline constexpr std::string_view kRemainingBlocksCaption = "Block(s) Remaining";
inline constexpr std::string_view kProcessedBlocksCaption = "Processed Block(s)";
inline constexpr std::string_view kCurrentBlockCaption = "Current Processing";

// The cloning page.
inline constexpr std::string_view kStartCloningCaption = "Start Cloning";
inline constexpr std::string_view kStopCloningCaption = "Stop Cloning";
inline constexpr std::string_view kBlockSizeCaption = "Block Size";
inline constexpr std::string_view kProcessedCaption = "Processed";
inline constexpr std::string_view kProcessingCaption = "Processing";
inline constexpr std::string_view kCloneSourceCaption = "Source";
inline constexpr std::string_view kCloneDestinationCaption = "Destination";
// Closing the page while a clone runs: the run is stopped first, never left writing to a disk.
inline constexpr std::string_view kStopCloningQuestion =
    "Disk cloning is in progress. Do you want to stop it?";

// The image size after a write: "%i bytes", "%i MB" (of 1048576 bytes) or "%i GB" (of 1073741824
// bytes), the unit chosen by the size before that write: bytes below 1 MiB, MB up to 1 GiB, GB
// above.
std::string ImageSizeText(std::uint64_t bytesBefore, std::uint64_t bytesAfter);

// "Reading Sector:" and "Image Size:" of the imaging page, as one status line.
std::string ImagingStatusText(const CopyStatus& status);

// "Processing" of the cloning page, as a status line.
std::string CloningStatusText(const CopyStatus& status);

// What the imaging page says once the run has ended: the image's size, its unreadable sectors and
// its SHA-256; or, when it was stopped, what the image holds.
std::string ImagingEndText(const CopyOutcome& outcome, const std::string& imagePath);

// What the cloning page says once the run has ended: what the destination now holds.
std::string CloningEndText(const CopyOutcome& outcome, int sourceDisk, int destinationDisk);

// "Processed" of the cloning page: the sectors copied of the source's, and how many of them could
// not be read (written as zeros).
std::string ProcessedSectorsText(const CopyStatus& status);

// "Block Size" of the cloning page: "%.3f MB" of the sectors of a progress block / 2048.
std::string BlockSizeText(std::uint64_t blockSectors);

// The three lines of "Item Information" for a chosen disk or pool: its size in MB, its starting
// sector and its ending sector.
std::array<std::string, 3> ItemInformationLines(SectorRange range);

}  // namespace kestrel::imaging
