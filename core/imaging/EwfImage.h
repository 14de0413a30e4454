// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "disk/platform/Platform.h"
#include "imaging/BadSectorMap.h"
#include "imaging/ImageCreation.h"

// Images written as EWF evidence files (E01), the container forensic tools acquire disks into: a
// set of segment files (name.E01, name.E02, ...) holding the media data in compressed chunks,
// the case fields the examiner entered, the sectors that could not be read, and the MD5 and
// SHA-1 of the media data, so that any EWF tool can verify the image later.
namespace kestrel::imaging {

enum class EwfCompression { None, Fast, Best };

// "none", "fast" or "best"; nothing for any other text.
std::optional<EwfCompression> ParseEwfCompression(std::string_view text);

struct EwfCaseFields {
  std::string caseNumber;
  std::string evidenceNumber;
  std::string examiner;
  std::string description;
  std::string notes;
};

// The segment size acquisition tools use unless told otherwise: 1500 MiB, which fits the file
// systems and media evidence is kept on.
inline constexpr std::uint64_t kDefaultEwfSegmentBytes = 1500ULL << 20;
inline constexpr std::uint64_t kSmallestEwfSegmentBytes = 1ULL << 20;

// The segment size as typed: a byte count of at least 1 MiB ("650m", "2g"); else why not.
app::Result<std::uint64_t> ParseEwfSegmentSize(std::string_view text);

struct EwfSettings {
  EwfCaseFields fields;
  EwfCompression compression = EwfCompression::Fast;
  std::uint64_t segmentBytes = kDefaultEwfSegmentBytes;
  bool physicalMedia = true;  // a whole disk, rather than a part of one such as a pool
};

// Whether an image needs room for its whole range before it starts: a raw image does, and an
// uncompressed E01; a compressed one needs an unknown part of it. Nothing stands for raw.
bool NeedsRoomForWholeRange(const std::optional<EwfSettings>& ewf);

// The image's container on the imaging page and its save dialog.
inline constexpr std::string_view kImageFormatCaption = "Image format:";
inline constexpr std::string_view kRawImageFormat = "Raw image (.IMG)";
inline constexpr std::string_view kEwfImageFormat = "EWF evidence file (.E01)";
inline constexpr std::string_view kEwfFileFilter = "(*.E01)";
inline constexpr std::string_view kEwfFieldsTitle = "Evidence File";

// The path of the first segment for the path asked for: the path itself when it ends in ".E01"
// (in any case, written as ".E01"), else the path with ".E01" appended. The set's further
// segments take the same name with .E02, .E03 and on.
std::string EwfFirstSegmentPath(const std::string& asked);

struct EwfDigests {
  std::string md5;
  std::string sha1;
};

// A segment set being written. Sectors come in order, from the image's first sector on; each
// write hashes and compresses what it is given.
class EwfWriter : public platform::SectorWriter {
 public:
  // Records the unreadable runs (sectors of the image) as acquisition errors, stores the hashes
  // of the media data written and closes the set, which then holds exactly what was written.
  virtual app::Result<EwfDigests> Finish(const std::vector<SectorRun>& unreadable) = 0;
};

// What makes a segment file last once libewf has closed it: platform::SyncFile, or a stand-in
// that watches which files it is given.
using SegmentSync = bool (*)(const std::string& path);

// Creates the set whose first segment is firstSegmentPath, replacing a first segment already
// there. A second segment already there is refused: it would be read as part of the new set.
// Finish has every segment of the set synced to the storage before it says the set is complete.
app::Result<std::unique_ptr<EwfWriter>> CreateEwfWriter(const std::string& firstSegmentPath,
                                                        const EwfSettings& settings,
                                                        SegmentSync sync = platform::SyncFile);

// Whether this build writes E01 sets (the Windows build, without libewf, writes raw images only).
bool WritesEwf();

struct EwfOutcome {
  CopyOutcome copy;
  EwfDigests digests;
};

// Images the job into an E01 set at job.imagePath (a first segment's path): the copy of
// CreateImage, then the set finished with its acquisition errors and hashes, which also go to
// the log report.
app::Result<EwfOutcome> CreateEwfImage(const ImagingJob& job, const EwfSettings& settings,
                                       CopyStatus& status, app::ProgressObserver& observer,
                                       std::stop_token stop, const app::LogReport& log);

}  // namespace kestrel::imaging
