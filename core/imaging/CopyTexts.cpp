// SPDX-License-Identifier: Apache-2.0
#include "imaging/CopyTexts.h"

#include "app/SizeText.h"
#include "imaging/ImagingRange.h"

namespace kestrel::imaging {
namespace {

constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint64_t kGiB = 1 << 30;

using Count = unsigned long long;  // for the %llu of Format

}  // namespace

std::string ImageSizeText(std::uint64_t bytesBefore, std::uint64_t bytesAfter) {
  if (bytesBefore < kMiB) return app::Format("%llu bytes", Count{bytesAfter});
  if (bytesBefore <= kGiB) return app::Format("%llu MB", Count{bytesAfter / kMiB});
  return app::Format("%llu GB", Count{bytesAfter / kGiB});
}

std::string ImagingStatusText(const CopyStatus& status) {
  return app::Format("Reading Sector: %llu   Image Size: %s", Count{status.currentSector},
                     ImageSizeText(status.bytesBeforeLastWrite, status.bytesWritten).c_str());
}

std::string CloningStatusText(const CopyStatus& status) {
  return app::Format("Processing sector %llu", Count{status.currentSector});
}

std::string ImagingEndText(const CopyOutcome& outcome, const std::string& imagePath) {
  if (outcome.stopped) {
    return app::Format("Image creation stopped: %s holds the first %llu bytes.", imagePath.c_str(),
                       Count{outcome.bytesWritten});
  }
  return app::Format("Image created: %s, %llu bytes, %llu unreadable sectors (zeros in the image), "
                     "SHA-256 %s.",
                     imagePath.c_str(), Count{outcome.bytesWritten},
                     Count{outcome.unreadable.SectorCount()}, outcome.sha256.c_str());
}

std::string CloningEndText(const CopyOutcome& outcome, int sourceDisk, int destinationDisk) {
  if (outcome.stopped) {
    return app::Format("Disk cloning stopped: Disk%d holds the first %llu sectors of Disk%d.",
                       destinationDisk, Count{outcome.sectorsDone}, sourceDisk);
  }
  return app::Format("Disk%d is a copy of Disk%d: %llu sectors, %llu unreadable sectors written as "
                     "zeros.",
                     destinationDisk, sourceDisk, Count{outcome.sectorsDone},
                     Count{outcome.unreadable.SectorCount()});
}

std::string ProcessedSectorsText(const CopyStatus& status) {
  return app::Format("%llu of %llu sectors, %llu unreadable", Count{status.sectorsDone},
                     Count{status.grid.TotalSectors()}, Count{status.unreadableSectors});
}

std::string BlockSizeText(std::uint64_t blockSectors) {
  return app::Format("%.3f MB", static_cast<double>(blockSectors) / 2048);
}

std::array<std::string, 3> ItemInformationLines(SectorRange range) {
  return {app::Format("Size                      :    %llu MB", Count{SourceSizeMB(range)}),
          app::Format("Starting Sector :     %llu", Count{range.first}),
          app::Format("Ending Sector   :     %llu", Count{range.end})};
}

}  // namespace kestrel::imaging
