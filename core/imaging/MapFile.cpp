#include "imaging/MapFile.h"

#include <fstream>

#include "app/SizeText.h"
#include "disk/NssLayout.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::imaging {
namespace {

using Count = unsigned long long;  // for the %llu of Format

constexpr Count kSectorSize = disk::layout::kSectorSize;

std::string MapLine(std::uint64_t firstSector, std::uint64_t sectors, char status) {
  return app::Format("0x%08llX  0x%08llX  %c\n", Count{firstSector} * kSectorSize,
                     Count{sectors} * kSectorSize, status);
}

}  // namespace

std::string MapFileText(const std::string& sourceName, SectorRange range,
                        const CopyOutcome& outcome) {
  std::string text =
      "# Map of the sectors an image lacks, in the manner of GNU ddrescue's map files.\n" +
      app::Format("# Source: %s, sectors %llu to %llu; image position 0 is source byte 0x%08llX.\n",
                  sourceName.c_str(), Count{range.first}, Count{range.end},
                  Count{range.first} * kSectorSize) +
      "# Positions and sizes are bytes in the image. Status: '-' could not be read (zeros in the\n"
      "# image), '?' not copied (the copy was stopped).\n"
      "#      pos        size  status\n";
  for (const SectorRun run : outcome.unreadable.Runs()) {
    text += MapLine(run.first - range.first, run.count, '-');
  }
  if (outcome.sectorsDone < range.Count()) {
    text += MapLine(outcome.sectorsDone, range.Count() - outcome.sectorsDone, '?');
  }
  return text;
}

std::optional<app::Failure> WriteMapFile(const std::string& path, const std::string& text) {
  std::ofstream file(platform::Utf8Path(path), std::ios::binary | std::ios::trunc);
  if (file) file << text;
  file.close();
  if (!file) return app::Failure{path + ": the map file cannot be written"};
  return std::nullopt;
}

}  // namespace kestrel::imaging
