// SPDX-License-Identifier: Apache-2.0
#include "imaging/CloneChoice.h"

#include <algorithm>

#include "app/SizeText.h"
#include "disk/platform/StorageUse.h"

namespace kestrel::imaging {
namespace {

// "Disk1 (/dev/sdb)", so that a refusal says which device it means.
std::string DiskName(const disk::DriveListEntry& drive) {
  return app::Format("Disk%d (%s)", drive.number, platform::DiskDevicePath(drive.number).c_str());
}

std::string SizeOf(const disk::DriveListEntry& drive) {
  return app::Format("%s, %llu sectors", disk::DriveSizeText(drive.sectorCount).c_str(),
                     static_cast<unsigned long long>(drive.sectorCount));
}

}  // namespace

std::string CloneDriveLine(const disk::DriveListEntry& drive, const std::string& devicePath) {
  const disk::DriveIdentity identity = drive.identity.value_or(disk::DriveIdentity{});
  const std::string& name = identity.model.empty() ? devicePath : identity.model;
  return app::Format("%s [%s] %s (Disk %d)", name.c_str(), identity.serial.c_str(),
                     disk::DriveSizeText(drive.sectorCount).c_str(), drive.number);
}

std::vector<disk::DriveListEntry> CloneDrives(const disk::DriveList& list) {
  std::vector<disk::DriveListEntry> drives;
  std::copy_if(list.drives.begin(), list.drives.end(), std::back_inserter(drives),
               [](const disk::DriveListEntry& drive) {
                 return drive.kind == platform::MediaKind::Fixed && drive.status.ok();
               });
  return drives;
}

bool CanStartCloning(const disk::DriveListEntry* source, const disk::DriveListEntry* destination) {
  return source && destination && source->number != destination->number &&
         destination->sectorCount >= source->sectorCount;
}

std::optional<app::Failure> CloneRefusal(const disk::DriveListEntry& source,
                                         const disk::DriveListEntry& destination) {
  if (source.number == destination.number) {
    return app::Failure{"the source and the destination are the same disk, " + DiskName(source)};
  }
  if (source.sectorCount == 0) return app::Failure{DiskName(source) + " has no sectors to copy"};
  if (destination.sectorCount < source.sectorCount) {
    return app::Failure{DiskName(destination) + " (" + SizeOf(destination) + ") is smaller than " +
                        DiskName(source) + " (" + SizeOf(source) + ")"};
  }
  const std::string sourcePath = platform::DiskDevicePath(source.number);
  const std::string destinationPath = platform::DiskDevicePath(destination.number);
  if (platform::SameStorage(sourcePath, destinationPath)) {
    return app::Failure{DiskName(source) + " and " + DiskName(destination) +
                        " are the same device"};
  }
  if (auto reason = platform::WhyDiskIsInUse(destinationPath)) {
    return app::Failure{DiskName(destination) + " cannot be overwritten: " + *reason};
  }
  return std::nullopt;
}

std::optional<app::Failure> CloneDriveChanged(const disk::DriveListEntry& listed) {
  if (!platform::FindDisk(listed.number)) {
    return app::Failure{app::Format("Disk%d is no longer there", listed.number)};
  }
  const auto SerialOf = [](const std::optional<disk::DriveIdentity>& identity) {
    return identity ? identity->serial : std::string{};
  };
  if (platform::DiskSectorCount(listed.number) != listed.sectorCount ||
      SerialOf(platform::IdentifyDrive(listed.number)) != SerialOf(listed.identity)) {
    return app::Failure{DiskName(listed) +
                        " is not the disk it was when the list was made (its size or serial "
                        "number changed); choose the disks again"};
  }
  return std::nullopt;
}

}  // namespace kestrel::imaging
