// SPDX-License-Identifier: Apache-2.0
#include "destination/SourceOverlap.h"

#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "disk/platform/StorageUse.h"
#include "disk/raid/RaidDefinition.h"

namespace kestrel::destination {
namespace {

// An array lies wherever its members lie: the closest overlap with any of them.
SourceOverlap OverlapWithMembers(const std::string& path, std::string_view definition) {
  const auto parsed = disk::ParseRaidDefinition(definition);
  if (!parsed.ok()) return SourceOverlap::None;
  SourceOverlap closest = SourceOverlap::None;
  for (const std::string& member : parsed.value().members) {
    const auto memberPath = disk::MemberSourcePath(member);
    const SourceOverlap overlap =
        memberPath ? OverlapWithSource(path, *memberPath) : SourceOverlap::None;
    if (overlap == SourceOverlap::IsTheSource) return overlap;
    if (overlap != SourceOverlap::None) closest = overlap;
  }
  return closest;
}

}  // namespace

SourceOverlap OverlapWithSource(const std::string& path, const std::string& sourcePath) {
  if (const auto definition = disk::DefinitionOfRaidSourceName(sourcePath))
    return OverlapWithMembers(path, *definition);
  const auto disk = disk::PhysicalDriveNumber(sourcePath);
  const std::string source = disk ? platform::DiskDevicePath(*disk) : sourcePath;
  if (source.empty()) return SourceOverlap::None;
  if (platform::SameStorage(path, source)) return SourceOverlap::IsTheSource;
  if (platform::FileSystemLiesOn(path, source)) return SourceOverlap::OnTheSourceDisk;
  return SourceOverlap::None;
}

std::optional<app::Failure> RecoveryFolderRefusal(const std::string& folder,
                                                  const std::string& sourcePath) {
  if (OverlapWithSource(folder, sourcePath) == SourceOverlap::None) return std::nullopt;
  return app::Failure{folder + ": lies on the source disk (" + sourcePath +
                      "); recovering there would overwrite the deleted data to be recovered. "
                      "Choose a folder on another disk."};
}

}  // namespace kestrel::destination
