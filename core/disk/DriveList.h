// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/DriveIdentity.h"
#include "disk/platform/Platform.h"

namespace kestrel::disk {

inline constexpr int kMaxListedDrives = 24;  // numbers 0 to 23

// One present disk of the imaging and cloning drive list.
struct DriveListEntry {
  int number = 0;
  platform::MediaKind kind = platform::MediaKind::Fixed;
  std::uint64_t sectorCount = 0;
  std::optional<DriveIdentity> identity;
  OpenStatus status;  // a disk that exists but cannot be opened is listed with the reason

  int DriveNumber() const { return 0x80 + number; }  // BIOS-style number
};

struct DriveList {
  std::vector<DriveListEntry> drives;  // in number order; a missing number is skipped, not an end
  int fixedCount = 0;                  // of the disks that can be read
  int removableCount = 0;

  bool HasFixedDisk() const { return fixedCount > 0; }
};

// Every disk numbered 0 to 23 that exists, fixed or removable.
DriveList ListDisks();

// The size of a disk: "%.2f GB" from 1 GiB, "%.2f MB" from 1 MiB, else "%.2f KB".
std::string DriveSizeText(std::uint64_t sectors);

}  // namespace kestrel::disk
