// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kestrel::platform {

// Entry n of a disk list such as KESTREL_NSS_DISKS, whose entries the separator parts; "" for an
// empty entry (a missing disk) and past the end.
std::string DiskListEntry(std::string_view list, char separator, int n);

}  // namespace kestrel::platform
