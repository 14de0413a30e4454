// SPDX-License-Identifier: Apache-2.0
#include "disk/DiskReader.h"

#include <algorithm>
#include <limits>

#include "disk/DriveName.h"
#include "disk/NssStructures.h"
#include "disk/container/ImageFile.h"
#include "disk/platform/Platform.h"
#include "disk/raid/RaidDefinition.h"

namespace kestrel::disk {

bool DiskReader::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const {
  return source_ && source_->ReadAt(offset, buffer);
}

void DiskReader::AdviseSequential(std::int64_t offset, std::int64_t length) const {
  if (source_ && offset >= 0 && length > 0) source_->AdviseSequential(offset, length);
}

std::optional<std::size_t> DiskReader::ReadSome(std::int64_t offset,
                                                std::span<std::uint8_t> buffer) const {
  if (!source_) return std::nullopt;
  return source_->ReadSome(offset, buffer);
}

bool DiskReader::ReadSector(std::uint64_t sector, std::span<std::uint8_t> buffer) const {
  const auto offset = SectorOffset(sector);
  return offset && ReadAt(*offset, buffer);
}

bool DiskReader::ReadBlock(std::int64_t poolBase, std::uint64_t n,
                           std::span<std::uint8_t> buffer) const {
  const auto offset = BlockOffset(poolBase, n);
  return offset && ReadAt(*offset, buffer);
}

std::string ZeroedSectorsText(std::uint64_t sectors) {
  return std::to_string(sectors) + " sectors could not be read: what they hold is missing";
}

std::string IncompleteScanText(std::uint64_t zeroedSectors) {
  return ZeroedSectorsText(zeroedSectors) + "; the scan is incomplete";
}

std::optional<std::int64_t> SectorOffset(std::uint64_t sector) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (sector > kMax / layout::kSectorSize) return std::nullopt;
  return static_cast<std::int64_t>(sector * layout::kSectorSize);
}

SectorBuffer ReadSectorOrZeros(const DiskReader& reader, std::int64_t offset) {
  SectorBuffer sector{};
  if (!reader.ReadAt(offset, sector)) {
    sector.fill(0);
    reader.CountZeroedSectors(1);
  }
  return sector;
}

std::size_t ReadAround(const DiskReader& reader, std::int64_t offset,
                       std::span<std::uint8_t> buffer) {
  if (const auto count = reader.ReadSome(offset, buffer)) return *count;
  const std::int64_t left = std::max<std::int64_t>(0, reader.Size() - offset);
  const auto available = static_cast<std::size_t>(
      std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
  for (std::size_t at = 0; at < available; at += layout::kSectorSize) {
    const auto sector = buffer.subspan(at, std::min(layout::kSectorSize, available - at));
    if (!reader.ReadAt(offset + static_cast<std::int64_t>(at), sector)) {
      std::fill(sector.begin(), sector.end(), 0);
      reader.CountZeroedSectors(1);
    }
  }
  return available;
}

OpenedSource OpenSource(const std::string& path, std::stop_token stop) {
  if (const auto definition = DefinitionOfRaidSourceName(path)) return OpenRaidSet(*definition);
  const auto disk = PhysicalDriveNumber(path);
  if (!disk) return OpenImageFile(path, std::move(stop));
  const std::string device = platform::DiskDevicePath(*disk);
  if (device.empty()) return {{}, {OpenError::NotFound, path + ": no such disk"}};
  // An entry of KESTREL_NSS_DISKS may be an image in a container.
  return OpenImageFile(device, std::move(stop));
}

}  // namespace kestrel::disk
