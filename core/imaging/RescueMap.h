// SPDX-License-Identifier: Apache-2.0
#pragma once

// The rescue map is the sources' as well as imaging's: a source reads the map beside a member
// image to know which of its sectors were never read.
#include "disk/RescueMap.h"

namespace kestrel::imaging {

using disk::BlockStatus;
using disk::MapBlock;
using disk::ReadMapText;
using disk::RescueMap;
using disk::RescuePhase;

}  // namespace kestrel::imaging
