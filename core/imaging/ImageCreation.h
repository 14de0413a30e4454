// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "imaging/CopyStatus.h"
#include "imaging/SectorCopy.h"

namespace kestrel::imaging {

// Imaging reads up to 2048 sectors (1 MiB) a request.
inline constexpr std::uint32_t kImagingChunkSectors = 2048;

inline constexpr std::string_view kImageCreationStopped = "Image creation stopped";

// One imaging run: the source, the range of its sectors, and the names the log report gives them.
struct ImagingJob {
  disk::DiskReader source;
  std::string sourceName;  // "\\.\PhysicalDrive%d", or the path of an image file
  SectorRange range;
  std::string imagePath;
  // The SHA-256 of the image lets the copy be verified later; hashing is the slowest part of an
  // image written to fast storage, so it can be left out.
  bool computeSha256 = true;
};

// Copies the range into the image: byte k of the image is byte k of the range, an unreadable
// sector is 512 zero bytes. The stop token is the confirmed stop: the chunk in hand is still
// written, then "Image creation stopped" goes to the log report. The log report also gets the
// start of the run and, at its end, the image's size, its unreadable sectors and its SHA-256.
app::Result<CopyOutcome> CreateImage(const ImagingJob& job, platform::SectorWriter& image,
                                     CopyStatus& status, app::ProgressObserver& observer,
                                     std::stop_token stop, const app::LogReport& log);

}  // namespace kestrel::imaging
