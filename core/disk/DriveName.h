// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::disk {

// The logical name of physical disk n, "\\.\PhysicalDrive%d": the name shown and saved in scan
// files, so that a saved scan names its disk the same way on every machine.
std::string PhysicalDriveName(int n);

// The disk number of a logical name (any letter case), or nothing for any other path.
std::optional<int> PhysicalDriveNumber(std::string_view name);

}  // namespace kestrel::disk
