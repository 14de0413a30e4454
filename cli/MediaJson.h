// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <nlohmann/json.hpp>

#include "disk/MediaTree.h"

namespace kestrel::cli {

// The disks, pools and volumes of a media tree as the JSON of `disks --json`.
nlohmann::ordered_json DisksJson(const disk::MediaTree& tree);
nlohmann::ordered_json PoolJson(const disk::PoolEntry& pool);

}  // namespace kestrel::cli
