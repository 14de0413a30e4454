// SPDX-License-Identifier: Apache-2.0
#include "imaging/MapFile.h"

#include <fstream>

#include "app/SizeText.h"
#include "disk/NssLayout.h"
#include "disk/platform/Utf8Path.h"
#include "imaging/RescueMap.h"

namespace kestrel::imaging {
namespace {

using Count = unsigned long long;  // for the %llu of Format

constexpr std::uint64_t kSectorSize = disk::layout::kSectorSize;

}  // namespace

std::string MapFileText(const std::string& sourceName, SectorRange range,
                        const CopyOutcome& outcome) {
  RescueMap map(range.Count() * kSectorSize);
  if (outcome.sectorsDone != 0)
    map.Mark(0, outcome.sectorsDone * kSectorSize, BlockStatus::Finished);
  for (const SectorRun run : outcome.unreadable.Runs()) {
    map.Mark((run.first - range.first) * kSectorSize, run.count * kSectorSize,
             BlockStatus::BadSector);
  }
  map.currentPosition = outcome.sectorsDone * kSectorSize;
  map.phase = outcome.sectorsDone < range.Count() ? RescuePhase::Copying : RescuePhase::Finished;
  const std::string header =
      "Map of the sectors an image lacks, a GNU ddrescue map file.\n" +
      app::Format("Source: %s, sectors %llu to %llu; image position 0 is source byte 0x%08llX.\n",
                  sourceName.c_str(), Count{range.first}, Count{range.end},
                  Count{range.first} * kSectorSize) +
      (outcome.sha256.empty() ? ""
                              : std::string(kImageDigestLabel.substr(2)) + outcome.sha256 + "\n") +
      "Positions and sizes are bytes in the image. Status: '+' copied, '-' could not be read\n"
      "(zeros in the image), '?' not copied (the copy was stopped).";
  return map.Text(header);
}

std::string ImageDigestInMap(std::string_view text) {
  const auto at = text.find(kImageDigestLabel);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = text.substr(at + kImageDigestLabel.size());
  return std::string(rest.substr(0, rest.find('\n')));
}

std::optional<app::Failure> WriteMapFile(const std::string& path, const std::string& text) {
  std::ofstream file(platform::Utf8Path(path), std::ios::binary | std::ios::trunc);
  if (file) file << text;
  file.close();
  if (!file) return app::Failure{path + ": the map file cannot be written"};
  return std::nullopt;
}

}  // namespace kestrel::imaging
