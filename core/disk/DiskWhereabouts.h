// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "disk/MediaTree.h"

namespace kestrel::disk {

// Where a disk of the media tree is, in the words of this system as well as in its logical name:
// the logical name "\\.\PhysicalDrive%d" stays the name shown and saved, and beside it stand the
// block device or image file it stands for, the drive's model and its size.
struct DiskWhereabouts {
  std::string logicalName;  // empty for an image file opened by its own path
  std::string devicePath;   // "/dev/sdb", "disk0.img"
  std::string model;        // empty when the drive does not say
  std::string size;         // "%.2f GB" and the like
};

DiskWhereabouts LocateDisk(const DiskEntry& disk);

// "\\.\PhysicalDrive1  /dev/sdb  ST3500418AS  465.76 GB", leaving out what is not known.
std::string WhereaboutsText(const DiskWhereabouts& where);

}  // namespace kestrel::disk
