// SPDX-License-Identifier: Apache-2.0
#include "imaging/RescueImaging.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/SizeText.h"
#include "disk/NssLayout.h"
#include "disk/ReadBuffer.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::imaging {
namespace {

using Count = unsigned long long;  // for the %llu of Format
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kSector = disk::layout::kSectorSize;
constexpr std::uint64_t kSmallestSkip = 64 * 1024;
constexpr std::uint64_t kLargestSkip = std::uint64_t{1} << 30;

std::string PhaseName(RescuePhase phase, unsigned pass, unsigned retries) {
  switch (phase) {
    case RescuePhase::Copying:
      return app::Format("Copying, pass %u", pass);
    case RescuePhase::Trimming:
      return "Trimming";
    case RescuePhase::Scraping:
      return "Scraping";
    case RescuePhase::Retrying:
      return app::Format("Retrying, pass %u of %u", pass, retries);
    case RescuePhase::Finished:
      break;
  }
  return "Finished";
}

// The header line that names what the map was made from; a map is resumed only onto the same.
std::string SourceLine(const RescueJob& job) {
  return app::Format("Source: %s, sectors %llu to %llu; position 0 is source byte 0x%08llX.",
                     job.sourceName.c_str(), Count{job.range.first}, Count{job.range.end},
                     Count{job.range.first} * kSector);
}

std::string MapText(const RescueJob& job, const RescueMap& map) {
  return map.Text("Rescue map of an image, in GNU ddrescue's map format.\n" + SourceLine(job));
}

// The source line of a map's header; nothing in a map another program wrote.
std::optional<std::string> MapSourceLine(const std::string& text) {
  constexpr std::string_view kPrefix = "# Source: ";
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(kPrefix)) return line.substr(2);
  }
  return std::nullopt;
}

class Rescuer {
 public:
  Rescuer(const RescueJob& job, RescueMap& map, platform::SectorWriter& image,
          app::ProgressObserver& observer, std::stop_token stop)
      : job_(job),
        map_(map),
        image_(image),
        observer_(observer),
        stop_(std::move(stop)),
        buffer_(std::size_t{job.clusterSectors} * kSector),
        largestSkip_(
            std::clamp(map.Bytes() / 100 / kSector * kSector, kSmallestSkip, kLargestSkip)) {}

  // Every phase from where the map stands; false when stopped or failed.
  bool Run() {
    if (!ZeroLastSector()) return false;
    if (Before(RescuePhase::Trimming)) {
      if (map_.pass <= 1 && !Copy(true)) return false;
      if (!Enter(RescuePhase::Copying, 2) || !Copy(false)) return false;
    }
    if (Before(RescuePhase::Scraping) && (!Enter(RescuePhase::Trimming, 1) || !Trim()))
      return false;
    if (Before(RescuePhase::Retrying) &&
        (!Enter(RescuePhase::Scraping, 1) || !SectorBySector(BlockStatus::NonScraped)))
      return false;
    const unsigned firstRetry = map_.phase == RescuePhase::Retrying ? map_.pass : 1;
    for (unsigned pass = firstRetry; pass <= job_.retries; ++pass) {
      if (!Enter(RescuePhase::Retrying, pass) || !SectorBySector(BlockStatus::BadSector))
        return false;
    }
    return Enter(RescuePhase::Finished, 1);
  }

  const std::optional<app::Failure>& failure() const { return failure_; }

 private:
  static int Order(RescuePhase phase) {
    switch (phase) {
      case RescuePhase::Copying:
        return 0;
      case RescuePhase::Trimming:
        return 1;
      case RescuePhase::Scraping:
        return 2;
      case RescuePhase::Retrying:
        return 3;
      case RescuePhase::Finished:
        break;
    }
    return 4;
  }

  bool Before(RescuePhase phase) const { return Order(map_.phase) < Order(phase); }

  // A new phase or pass starts from the front, with the map written.
  bool Enter(RescuePhase phase, unsigned pass) {
    if (map_.phase == phase && map_.pass == pass) return true;
    map_.phase = phase;
    map_.pass = pass;
    map_.currentPosition = 0;
    return SaveMap();
  }

  // Stopped: the map is written, and the run ends.
  bool Halt() {
    SaveMap();
    return false;
  }

  // The image is as long as the range from the start, so that what is never read reads as zeros.
  bool ZeroLastSector() {
    const std::uint64_t last = map_.Bytes() - kSector;
    const auto block = map_.NextWith(BlockStatus::Finished, last);
    if (block && block->position == last) return true;
    std::fill_n(buffer_.data(), kSector, 0);
    return Write(last, kSector);
  }

  // The copying passes, from the current position: each non-tried run cluster by cluster. A
  // failed cluster is left to the trimming; with skipping on, the pass goes on further ahead
  // after each failure, and what it skipped stays for the next pass.
  bool Copy(bool skipping) {
    const std::uint64_t cluster = std::uint64_t{job_.clusterSectors} * kSector;
    std::uint64_t skip = 0;
    for (auto block = map_.NextWith(BlockStatus::NonTried, map_.currentPosition); block;
         block = map_.NextWith(BlockStatus::NonTried, map_.currentPosition)) {
      if (stop_.stop_requested()) return Halt();
      const std::uint64_t size = std::min(cluster, block->size);
      const bool read = Read(block->position, size);
      if (read && !Write(block->position, size)) return false;
      map_.Mark(block->position, size, read ? BlockStatus::Finished : BlockStatus::NonTrimmed);
      skip = read || !skipping ? 0 : std::clamp(skip * 2, kSmallestSkip, largestSkip_);
      map_.currentPosition = block->position + size + skip;
      if (!Progressed()) return false;
    }
    return true;
  }

  // Each failed cluster read sector by sector from its front until a sector fails, then from its
  // back until one fails; what lies between is left to the scraping.
  bool Trim() {
    for (auto block = map_.NextWith(BlockStatus::NonTrimmed, 0); block;
         block = map_.NextWith(BlockStatus::NonTrimmed, block->End())) {
      if (stop_.stop_requested()) return Halt();
      std::uint64_t front = block->position, back = block->End();
      while (front < back && ReadSectorAt(front)) front += kSector;
      front = std::min(front + kSector, back);  // past the sector that failed
      while (back > front && ReadSectorAt(back - kSector)) back -= kSector;
      back = std::max(back - kSector, front);
      if (failure_) return false;
      map_.Mark(front, back - front, BlockStatus::NonScraped);
      map_.currentPosition = block->End();
      if (!Progressed()) return false;
    }
    return true;
  }

  // Scraping and retrying, from the current position: every sector of the runs of that status,
  // one read each.
  bool SectorBySector(BlockStatus status) {
    for (auto block = map_.NextWith(status, map_.currentPosition); block;
         block = map_.NextWith(status, map_.currentPosition)) {
      for (std::uint64_t at = block->position; at < block->End(); at += kSector) {
        if (stop_.stop_requested()) return Halt();
        ReadSectorAt(at);
        if (failure_) return false;
        map_.currentPosition = at + kSector;
        if (!Progressed()) return false;
      }
    }
    return true;
  }

  // Reads one sector into the image; marks it finished or bad.
  bool ReadSectorAt(std::uint64_t position) {
    const bool read = Read(position, kSector) && Write(position, kSector);
    if (failure_) return false;
    map_.Mark(position, kSector, read ? BlockStatus::Finished : BlockStatus::BadSector);
    return read;
  }

  bool Read(std::uint64_t position, std::uint64_t size) {
    const auto offset = static_cast<std::int64_t>(job_.range.first * kSector + position);
    return job_.source.ReadAt(offset, std::span(buffer_.data(), size));
  }

  bool Write(std::uint64_t position, std::uint64_t size) {
    if (image_.WriteSectors(position / kSector, static_cast<std::uint32_t>(size / kSector),
                            std::span(buffer_.data(), size))) {
      return true;
    }
    failure_ = app::Failure{"the image cannot be written at byte " + std::to_string(position)};
    SaveMap();
    return false;
  }

  bool Progressed() {
    const std::uint64_t finished = map_.BytesWith(BlockStatus::Finished);
    observer_.OnProgress({finished, map_.Bytes(),
                          PhaseName(map_.phase, map_.pass, job_.retries) + "; " +
                              app::SizeText(map_.Bytes() - finished) + " not read yet"});
    return Clock::now() - lastSave_ < job_.mapInterval || SaveMap();
  }

  bool SaveMap() {
    lastSave_ = Clock::now();
    if (!image_.Flush()) {
      failure_ = app::Failure{"the image cannot be made durable; the map is left as it was"};
      return false;
    }
    if (auto refused = platform::ReplaceFileAtomically(job_.mapPath, MapText(job_, map_))) {
      failure_ = app::Failure{*refused};
      return false;
    }
    return true;
  }

  const RescueJob& job_;
  RescueMap& map_;
  platform::SectorWriter& image_;
  app::ProgressObserver& observer_;
  std::stop_token stop_;
  disk::ReadBuffer buffer_;
  std::uint64_t largestSkip_;
  Clock::time_point lastSave_ = Clock::now();
  std::optional<app::Failure> failure_;
};

}  // namespace

app::Result<RescueMap> LoadRescueMap(const RescueJob& job) {
  const auto text = ReadMapText(job.mapPath);
  if (!text.ok()) return app::Failure{text.error()};
  const std::string expected = SourceLine(job);
  if (const auto made = MapSourceLine(text.value()); made && *made != expected) {
    return app::Failure{job.mapPath + ": the map was made from another source (" + *made +
                        "); this run reads " + expected};
  }
  auto map = RescueMap::Parse(text.value(), job.range.Count() * kSector);
  if (!map.ok()) return app::Failure{job.mapPath + ": " + map.error()};
  return map;
}

bool RescueCanResume(const std::string& imagePath, const std::string& mapPath) {
  return platform::PathExists(imagePath) && platform::PathExists(mapPath);
}

app::Result<RescueStart> StartRescue(const RescueJob& job, const std::string& imagePath,
                                     ExistingRescue existing) {
  const bool resuming =
      existing == ExistingRescue::Resume && RescueCanResume(imagePath, job.mapPath);
  auto map = resuming ? LoadRescueMap(job)
                      : app::Result<RescueMap>(RescueMap(job.range.Count() * kSector));
  if (!map.ok()) return app::Failure{map.error() + "; remove it to start again from nothing"};
  platform::OpenedWriter image =
      resuming ? platform::OpenImageFileToResume(imagePath) : platform::CreateImageFile(imagePath);
  if (!image.status.ok()) return app::Failure{image.status.message};
  // A new image gets its map at once: a map left from another run must never describe it.
  if (!resuming) {
    if (auto refused = platform::ReplaceFileAtomically(job.mapPath, MapText(job, map.value())))
      return app::Failure{*refused};
  }
  return RescueStart{std::move(image), std::move(map).value(), resuming};
}

CopyOutcome AsCopyOutcome(const RescueOutcome& outcome, SectorRange range) {
  CopyOutcome copy;
  copy.sectorsDone = range.Count();
  copy.bytesWritten = outcome.map.BytesWith(BlockStatus::Finished);
  copy.stopped = outcome.stopped;
  for (const MapBlock& block : outcome.map.Blocks()) {
    if (block.status == BlockStatus::Finished) continue;
    for (std::uint64_t at = block.position; at < block.End(); at += kSector)
      copy.unreadable.Add(range.first + at / kSector);
  }
  return copy;
}

std::string RescueEndText(const CopyOutcome& outcome, const std::string& imagePath) {
  if (outcome.stopped) {
    return app::Format("Rescue stopped: %s holds %llu bytes read so far; image it again to resume.",
                       imagePath.c_str(), Count{outcome.bytesWritten});
  }
  return app::Format(
      "Image rescued: %s, %llu bytes read, %llu sectors unreadable (zeros in the "
      "image; the map file lists them).",
      imagePath.c_str(), Count{outcome.bytesWritten}, Count{outcome.unreadable.SectorCount()});
}

app::Result<RescueOutcome> RescueImage(const RescueJob& job, RescueMap map,
                                       platform::SectorWriter& image,
                                       app::ProgressObserver& observer, std::stop_token stop,
                                       const app::LogReport& log) {
  const bool resumed = map.BytesWith(BlockStatus::NonTried) != map.Bytes();
  log.AppendLogEntry((resumed ? "Rescue imaging resumed: " : "Rescue imaging started: ") +
                     job.sourceName);
  Rescuer rescuer(job, map, image, observer, stop);
  const bool finished = rescuer.Run();
  if (rescuer.failure()) {
    log.AppendLogEntry("Rescue imaging failed: " + rescuer.failure()->message);
    return *rescuer.failure();
  }
  RescueOutcome outcome{std::move(map), !finished};
  log.AppendLogEntry(app::Format(
      "Rescue imaging %s: %llu bytes read, %llu bytes not read", finished ? "ended" : "stopped",
      Count{outcome.map.BytesWith(BlockStatus::Finished)}, Count{outcome.UnreadBytes()}));
  return outcome;
}

}  // namespace kestrel::imaging
