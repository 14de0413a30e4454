// SPDX-License-Identifier: Apache-2.0
// `image`: copies a whole disk, or one pool of it, sector by sector into an image file, with a
// map file of the sectors that could not be read and the image's SHA-256; or, with --rescue,
// rescues a failing disk good areas first, resuming from the map file of an earlier run. With
// --format e01 the image is an EWF evidence file set with the examiner's case fields.
#include <filesystem>
#include <iostream>
#include <vector>

#include "Command.h"
#include "Interrupt.h"
#include "ProgressLine.h"
#include "SourceOptions.h"
#include "app/TextEncoding.h"
#include "destination/SourceOverlap.h"
#include "disk/DriveName.h"
#include "disk/NssLayout.h"
#include "disk/platform/Platform.h"
#include "disk/platform/StorageUse.h"
#include "imaging/EwfImage.h"
#include "imaging/ImageCreation.h"
#include "imaging/ImageDestination.h"
#include "imaging/ImagingRange.h"
#include "imaging/MapFile.h"
#include "imaging/RescueImaging.h"

namespace kestrel::cli {
namespace {

// Whether two paths name the same file, also when neither exists yet.
bool SamePlace(const std::string& first, const std::string& second) {
  if (platform::SameStorage(first, second)) return true;
  std::error_code firstError, secondError;
  const auto firstPath = std::filesystem::weakly_canonical(first, firstError);
  const auto secondPath = std::filesystem::weakly_canonical(second, secondError);
  return !firstError && !secondError && firstPath == secondPath;
}

class ImageCommand : public Command {
 public:
  explicit ImageCommand(CLI::App& parser) {
    auto* diskOption = parser.add_option("--disk", source_.disk, "Physical disk N");
    auto* imageOption =
        parser.add_option("--image", source_.image, "A disk image or a pool image file")
            ->excludes(diskOption);
    AddRaidOption(parser, source_.image, {diskOption, imageOption});
    parser.add_option("--pool", source_.pool, "Only this pool, by the name that `disks` lists");
    parser.add_option("--to", imagePath_, "The image file to write, exactly this path")->required();
    parser.add_option("--map", mapPath_,
                      "The map file of unreadable sectors (default: the image path and .map)");
    parser.add_flag("--no-hash", noHash_, "Leave out the image's SHA-256, for the fastest copy");
    auto* rescue = parser.add_flag(
        "--rescue", rescue_,
        "Rescue a failing disk: good areas first, then trimming, scraping and retries; resumes "
        "from the map file when the image and its map exist");
    parser.add_option("--retries", retries_, "Passes over the bad sectors at the end (default 1)")
        ->needs(rescue)
        ->check(CLI::Range(0, 1000));
    AddEwfOptions(parser, rescue);
  }

  int Run(const app::LogReport& log) override {
    if (!source_.disk && !source_.image) {
      PrintError("name the source with --disk N or --image FILE, or a RAID set with --raid SET");
      return kUsage;
    }
    const bool ewf = format_ == "e01";
    if (ewf) {
      if (auto refusal = ReadEwfSettings()) {
        PrintError(*refusal);
        return kUsage;
      }
      imagePath_ = imaging::EwfFirstSegmentPath(imagePath_);
    }
    if (mapPath_.empty()) mapPath_ = imaging::DefaultMapPath(imagePath_);
    auto job = PrepareJob(log);
    if (!job.ok()) return Fail(job.error());
    if (auto refusal = CheckDestinations()) return Fail(refusal->message);
    if (rescue_) return Rescue(job.value(), log);
    if (imaging::NeedsRoomForWholeRange(ewf ? std::optional(ewf_) : std::nullopt)) {
      if (auto room = imaging::CheckRoomForImage(imagePath_, job.value().range))
        return Fail(room->message);
    }
    if (ewf) return ImageToEwf(job.value(), log);
    platform::OpenedWriter image = platform::CreateImageFile(imagePath_);
    if (!image.status.ok()) return Fail(image.status.message);
    const InterruptStop interrupt;
    imaging::CopyStatus status;
    const auto outcome = [&] {
      ProgressLine progress("Imaging " + job.value().sourceName);
      return imaging::CreateImage(job.value(), *image.writer, status, progress, interrupt.token(),
                                  log);
    }();
    image.writer.reset();  // the image is closed before it is reported
    if (!outcome.ok()) return Fail(outcome.error());
    return Report(job.value(), outcome.value());
  }

 private:
  std::string SourcePath() const {
    return source_.image ? *source_.image : disk::PhysicalDriveName(*source_.disk);
  }

  void AddEwfOptions(CLI::App& parser, CLI::Option* rescue) {
    auto* format =
        parser.add_option("--format", format_, "The image's container: raw (default) or e01")
            ->check(CLI::IsMember({"raw", "e01"}))
            ->excludes(rescue);
    const auto field = [&](const char* name, std::string& value, const char* help) {
      parser.add_option(name, value, help)->needs(format);
    };
    field("--case-number", ewf_.fields.caseNumber, "E01: the case number");
    field("--evidence-number", ewf_.fields.evidenceNumber, "E01: the evidence number");
    field("--examiner", ewf_.fields.examiner, "E01: the examiner's name");
    field("--description", ewf_.fields.description, "E01: what the evidence is");
    field("--notes", ewf_.fields.notes, "E01: notes");
    field("--compression", compression_, "E01: none, fast (default) or best");
    field("--segment-size", segmentSize_,
          "E01: the largest segment file, in bytes or with k, m or g (default 1500m)");
  }

  // The E01 options as given; the reason when one of them cannot be used.
  std::optional<std::string> ReadEwfSettings() {
    const auto compression = imaging::ParseEwfCompression(compression_);
    if (!compression) return "--compression: none, fast or best, not " + compression_;
    ewf_.compression = *compression;
    if (!segmentSize_.empty()) {
      const auto bytes = imaging::ParseEwfSegmentSize(segmentSize_);
      if (!bytes.ok()) return "--segment-size: " + bytes.error();
      ewf_.segmentBytes = bytes.value();
    }
    return std::nullopt;
  }

  app::Result<imaging::ImagingJob> PrepareJob(const app::LogReport& log) const {
    const std::string name = SourcePath();
    const disk::OpenedSource opened = disk::OpenSource(name);
    if (!opened.status.ok()) return app::Failure{opened.status.message};
    const auto sectors =
        static_cast<std::uint64_t>(opened.reader.Size()) / disk::layout::kSectorSize;
    imaging::ImagingJob job{opened.reader, name, imaging::DiskImageRange(sectors), imagePath_,
                            !noHash_};
    if (source_.pool) {
      auto pool = FindPool(source_, {}, log);
      if (!pool.ok()) return app::Failure{pool.error()};
      job.range = imaging::PoolImageRange(pool.value(), sectors);
    }
    if (job.range.Count() == 0) return app::Failure{name + ": there are no sectors to image"};
    return job;
  }

  // Neither the image nor the map file may be the source (creating them empties them), nor lie
  // on a file system of the source disk, nor be each other.
  std::optional<app::Failure> CheckDestinations() const {
    const std::string source = source_.SourcePath().value_or("");
    if (auto refusal = imaging::ImageDestinationRefusal(imagePath_, source)) return refusal;
    for (const std::string& path : {imagePath_, mapPath_}) {
      if (SamePlace(source, path) ||
          destination::OverlapWithSource(path, source) == destination::SourceOverlap::IsTheSource) {
        return app::Failure{path + ": is the source; write the image and its map elsewhere"};
      }
    }
    if (SamePlace(imagePath_, mapPath_)) {
      return app::Failure{mapPath_ + ": the map file cannot be the image itself"};
    }
    return std::nullopt;
  }

  int ImageToEwf(const imaging::ImagingJob& job, const app::LogReport& log) {
    ewf_.physicalMedia = !source_.pool;
    const InterruptStop interrupt;
    imaging::CopyStatus status;
    const auto outcome = [&] {
      ProgressLine progress("Imaging " + job.sourceName);
      return imaging::CreateEwfImage(job, ewf_, status, progress, interrupt.token(), log);
    }();
    if (!outcome.ok()) return Fail(outcome.error());
    std::cout << "MD5: " << outcome.value().digests.md5
              << "\nSHA-1: " << outcome.value().digests.sha1 << '\n';
    return Report(job, outcome.value().copy);
  }

  int Report(const imaging::ImagingJob& job, const imaging::CopyOutcome& outcome) const {
    const auto map =
        imaging::WriteMapFile(mapPath_, imaging::MapFileText(job.sourceName, job.range, outcome));
    std::cout << "Image: " << imagePath_ << "\nBytes imaged: " << outcome.bytesWritten
              << "\nUnreadable sectors: " << outcome.unreadable.SectorCount()
              << "\nSHA-256: " << (job.computeSha256 ? outcome.sha256 : "not computed")
              << "\nMap file: " << mapPath_ << '\n';
    if (map) return Fail(map->message);
    if (outcome.stopped) {
      return Fail("stopped; the image holds the first " + std::to_string(outcome.bytesWritten) +
                  " bytes of the " + std::to_string(imaging::RangeBytes(job.range)));
    }
    if (outcome.unreadable.SectorCount() != 0) {
      return Fail(std::to_string(outcome.unreadable.SectorCount()) +
                  " sectors could not be read; the image holds zeros in their place (the map "
                  "file lists them)");
    }
    return kSuccess;
  }

  // A run resumes when the image and its map are both there.
  int Rescue(const imaging::ImagingJob& job, const app::LogReport& log) const {
    if (!imaging::RescueCanResume(imagePath_, mapPath_)) {
      if (auto room = imaging::CheckRoomForImage(imagePath_, job.range)) return Fail(room->message);
    }
    const imaging::RescueJob rescue{job.source, job.sourceName, job.range, mapPath_, retries_};
    auto start = imaging::StartRescue(rescue, imagePath_);
    if (!start.ok()) return Fail(start.error());
    const bool resuming = start.value().resuming;
    const InterruptStop interrupt;
    const auto outcome = [&] {
      ProgressLine progress((resuming ? "Resuming the rescue of " : "Rescuing ") + job.sourceName);
      return imaging::RescueImage(rescue, std::move(start.value().map), *start.value().image.writer,
                                  progress, interrupt.token(), log);
    }();
    start.value().image.writer.reset();
    if (!outcome.ok()) return Fail(outcome.error());
    const std::uint64_t unread = outcome.value().UnreadBytes();
    std::cout << "Image: " << imagePath_ << "\nBytes rescued: "
              << outcome.value().map.BytesWith(imaging::BlockStatus::Finished)
              << "\nBytes not read: " << unread << "\nMap file: " << mapPath_ << '\n';
    if (outcome.value().stopped) return Fail("stopped; run the same command again to resume");
    if (unread != 0) {
      return Fail(std::to_string(unread) +
                  " bytes could not be read; the image holds zeros there (the map file lists "
                  "them, and a run with more --retries tries them again)");
    }
    return kSuccess;
  }

  SourceOptions source_;
  std::string imagePath_;
  std::string mapPath_;
  bool noHash_ = false;
  bool rescue_ = false;
  unsigned retries_ = 1;
  std::string format_ = "raw";
  std::string compression_ = "fast";
  std::string segmentSize_;
  imaging::EwfSettings ewf_;
};

}  // namespace

RegisteredCommand AddImageCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("image", "Copies a whole disk, or one pool, into an image file");
  return {parser, std::make_unique<ImageCommand>(*parser)};
}

}  // namespace kestrel::cli
