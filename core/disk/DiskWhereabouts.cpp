// SPDX-License-Identifier: Apache-2.0
#include "disk/DiskWhereabouts.h"

#include "disk/DriveList.h"
#include "disk/DriveName.h"
#include "disk/platform/Platform.h"

namespace kestrel::disk {

DiskWhereabouts LocateDisk(const DiskEntry& disk) {
  DiskWhereabouts where;
  const std::optional<int> number = PhysicalDriveNumber(disk.node.sourcePath);
  if (number) {
    where.logicalName = disk.node.sourcePath;
    where.devicePath = platform::DiskDevicePath(*number);
    if (const auto identity = platform::IdentifyDrive(*number)) where.model = identity->model;
  } else {
    where.devicePath = disk.node.sourcePath;
  }
  where.size = DriveSizeText(disk.sectorCount);
  return where;
}

std::string WhereaboutsText(const DiskWhereabouts& where) {
  std::string text;
  for (const std::string* part :
       {&where.logicalName, &where.devicePath, &where.model, &where.size}) {
    if (part->empty()) continue;
    if (!text.empty()) text += "  ";
    text += *part;
  }
  return text;
}

}  // namespace kestrel::disk
