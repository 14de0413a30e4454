// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "imaging/RescueMap.h"
#include "imaging/SectorCopy.h"
#include "imaging/SectorRange.h"

// Rescue imaging: the good areas of a failing disk first, the bad ones after, as GNU ddrescue
// does. A first pass copies cluster by cluster and skips ahead past a failing area (the skip
// doubling on each failure in a row, back to nothing after a good read); a second pass reads what
// was skipped. Then the edges of each failed cluster are trimmed sector by sector, their insides
// scraped sector by sector, and the sectors still bad retried. The map says what each byte of
// the image is; it is written beside the image often, so that a run stopped in any way resumes
// where it was and never reads a finished area again.
namespace kestrel::imaging {

inline constexpr std::string_view kRescueCaption = "Rescue a failing disk";
inline constexpr std::string_view kRescueToolTip =
    "Read the good areas first and the failing ones after; a stopped rescue can be resumed";
inline constexpr std::string_view kResumeRescueQuestion =
    "A rescue of this image stopped before its end. Resume it, reading only what is still "
    "missing?\n\nNo replaces the image.";

struct RescueJob {
  disk::DiskReader source;
  std::string sourceName;  // for the map's header and the log report
  SectorRange range;       // image byte 0 is the first byte of sector range.first
  std::string mapPath;
  unsigned retries = 1;                  // passes over the bad sectors after scraping
  std::uint32_t clusterSectors = 128;    // one read while copying: 64 KiB
  std::chrono::seconds mapInterval{30};  // the map is written at least this often
};

struct RescueOutcome {
  RescueMap map;
  bool stopped = false;

  std::uint64_t UnreadBytes() const { return map.Bytes() - map.BytesWith(BlockStatus::Finished); }
};

// The map of an earlier run of the job, refused when it is not one, does not fit the range, or
// was made from another source or range than the job's (as its header names them).
app::Result<RescueMap> LoadRescueMap(const RescueJob& job);

// What a run starts from: the image and its map when both are there and the run resumes, else a
// new image and a map of nothing tried. A map that does not fit the job is an error, and neither
// file is then touched. Replacing starts a new image and map whatever is there.
enum class ExistingRescue { Resume, Replace };
struct RescueStart {
  platform::OpenedWriter image;
  RescueMap map;
  bool resuming = false;
};
bool RescueCanResume(const std::string& imagePath, const std::string& mapPath);
app::Result<RescueStart> StartRescue(const RescueJob& job, const std::string& imagePath,
                                     ExistingRescue existing = ExistingRescue::Resume);

// Runs the rescue from `map` on. Before each map write the image is made durable, so that the map
// never names as finished what the image may not hold after a power loss. The stop token ends the
// run after the read in hand, with the map written. A write to the image that fails ends the run
// with the failure, the map written first.
app::Result<RescueOutcome> RescueImage(const RescueJob& job, RescueMap map,
                                       platform::SectorWriter& image,
                                       app::ProgressObserver& observer, std::stop_token stop,
                                       const app::LogReport& log);

// The end of a rescue in the terms of a plain copy: the bytes in the image, the sectors not read
// (bad, or not tried yet when stopped), and whether it was stopped.
CopyOutcome AsCopyOutcome(const RescueOutcome& outcome, SectorRange range);
// What the imaging page says at the end of a rescue.
std::string RescueEndText(const CopyOutcome& outcome, const std::string& imagePath);

}  // namespace kestrel::imaging
