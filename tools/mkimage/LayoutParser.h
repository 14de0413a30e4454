// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

// Reads a JSON layout. Unknown fields, values of the wrong type, values out of range and
// combinations of fields that cannot be written are errors naming the field, e.g.
// "disks[0].partitions[0].pool.volumes[0].entries[2].code: 21 is not one of 23, 22, 20, 128, 127".
Result<Layout> ParseLayout(std::string_view jsonText);

}  // namespace kestrel::mkimage
