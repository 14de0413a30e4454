// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Result.h"
#include "disk/DriveList.h"

// The choice of the cloning page: its drive lines, when "Start Cloning" is enabled, and which
// destinations are refused.
namespace kestrel::imaging {

inline constexpr std::string_view kCloneWarning =
    "Cloning overwrites data in destination drive. Do you want to continue?";

// A line of the source and destination lists: "%s [%s] %s (Disk %d)" with the model, the serial
// number (the second identify text), the size text and the disk number. A disk that names no
// model (an image file, a virtual disk) is named by its device or file path instead, so that two
// disks of one size can be told apart before one is overwritten.
std::string CloneDriveLine(const disk::DriveListEntry& drive, const std::string& devicePath);

// The drives the lists offer: the hard disks of the drive list that could be opened, in order.
std::vector<disk::DriveListEntry> CloneDrives(const disk::DriveList& list);

// "Start Cloning" is enabled when both are chosen, they are not the same disk, and the
// destination has at least as many sectors as the source.
bool CanStartCloning(const disk::DriveListEntry* source, const disk::DriveListEntry* destination);

// Nothing when the destination may be overwritten with the source; else why not: it is the same
// disk or the same device, it is smaller, it holds the running system, a mounted file system,
// swap space, or a device built on it.
std::optional<app::Failure> CloneRefusal(const disk::DriveListEntry& source,
                                         const disk::DriveListEntry& destination);

// Nothing when the disk is still the one the lists showed: there, with the same sector count and
// serial number. Else what changed, so that a disk swapped or resized since the lists were made is
// never overwritten, nor copied with the old size.
std::optional<app::Failure> CloneDriveChanged(const disk::DriveListEntry& listed);

}  // namespace kestrel::imaging
