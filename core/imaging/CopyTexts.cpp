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

std::string BlockSizeText(std::uint64_t blockSectors) {
  return app::Format("%.3f MB", static_cast<double>(blockSectors) / 2048);
}

std::array<std::string, 3> ItemInformationLines(SectorRange range) {
  return {app::Format("Size                      :    %llu MB", Count{SourceSizeMB(range)}),
          app::Format("Starting Sector :     %llu", Count{range.first}),
          app::Format("Ending Sector   :     %llu", Count{range.end})};
}

}  // namespace kestrel::imaging
