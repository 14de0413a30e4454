// SPDX-License-Identifier: Apache-2.0
#include "imaging/DiskClone.h"

#include "app/SizeText.h"
#include "disk/DriveName.h"
#include "imaging/CopyTexts.h"

namespace kestrel::imaging {

app::Result<CopyOutcome> CloneDisk(const CloneJob& job, platform::SectorWriter& destination,
                                   CopyStatus& status, app::ProgressObserver& observer,
                                   std::stop_token stop, const app::LogReport& log) {
  log.AppendLogEntry(kStartedDiskCloning);
  const CopyPlan plan{.source = {0, job.sectors},
                      .destinationFirst = 0,
                      .chunkSectors = kCloningChunkSectors,
                      .hashDestination = false,
                      .statusText = CloningStatusText};
  auto outcome = CopySectors(job.source, plan, destination, status, observer, std::move(stop));
  if (!outcome.ok()) {
    log.AppendLogEntry("Disk cloning failed: " + outcome.error());
    return outcome;
  }
  if (outcome.value().stopped) log.AppendLogEntry(kDiskCloningStopped);
  log.AppendLogEntry(app::Format(
      "Disk cloning of Disk%d onto Disk%d ended: %llu sectors copied, %llu unreadable sectors "
      "written as zeros",
      job.sourceDisk, job.destinationDisk,
      static_cast<unsigned long long>(outcome.value().sectorsDone),
      static_cast<unsigned long long>(outcome.value().unreadable.SectorCount())));
  return outcome;
}

app::Result<CopyOutcome> CloneDisks(int sourceDisk, std::uint64_t sectors, int destinationDisk,
                                    CopyStatus& status, app::ProgressObserver& observer,
                                    std::stop_token stop, const app::LogReport& log) {
  const platform::OpenedWriter writer = platform::OpenDiskForWriting(destinationDisk);
  if (!writer.status.ok()) return app::Failure{writer.status.message};
  const disk::OpenedSource reader = disk::OpenSource(disk::PhysicalDriveName(sourceDisk));
  if (!reader.status.ok()) return app::Failure{reader.status.message};
  const CloneJob job{reader.reader, sourceDisk, sectors, destinationDisk};
  return CloneDisk(job, *writer.writer, status, observer, std::move(stop), log);
}

}  // namespace kestrel::imaging
