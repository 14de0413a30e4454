// SPDX-License-Identifier: Apache-2.0
#include "imaging/ImageCreation.h"

#include "app/SizeText.h"
#include "imaging/CopyTexts.h"

namespace kestrel::imaging {
namespace {

using Count = unsigned long long;  // for the %llu of Format

std::string StartLine(const ImagingJob& job) {
  return app::Format("Started image creation of %s, sectors %llu to %llu, into %s",
                     job.sourceName.c_str(), Count{job.range.first}, Count{job.range.end},
                     job.imagePath.c_str());
}

std::string EndLine(const ImagingJob& job, const CopyOutcome& outcome) {
  return app::Format("Image %s: %llu bytes, %llu unreadable sectors, SHA-256 %s",
                     job.imagePath.c_str(), Count{outcome.bytesWritten},
                     Count{outcome.unreadable.SectorCount()},
                     job.computeSha256 ? outcome.sha256.c_str() : "not computed");
}

}  // namespace

app::Result<CopyOutcome> CreateImage(const ImagingJob& job, platform::SectorWriter& image,
                                     CopyStatus& status, app::ProgressObserver& observer,
                                     std::stop_token stop, const app::LogReport& log) {
  log.AppendLogEntry(StartLine(job));
  const CopyPlan plan{.source = job.range,
                      .destinationFirst = 0,
                      .chunkSectors = kImagingChunkSectors,
                      .hashDestination = job.computeSha256,
                      .statusText = ImagingStatusText};
  auto outcome = CopySectors(job.source, plan, image, status, observer, std::move(stop));
  if (!outcome.ok()) {
    log.AppendLogEntry("Image creation failed: " + outcome.error());
    return outcome;
  }
  if (outcome.value().stopped) log.AppendLogEntry(kImageCreationStopped);
  log.AppendLogEntry(EndLine(job, outcome.value()));
  return outcome;
}

}  // namespace kestrel::imaging
