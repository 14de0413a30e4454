// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "volume/ScanItem.h"

namespace kestrel::savedscan {

// One record of a scan information file, as stored.
struct ScanFileRecord {
  std::uint64_t parentKey = 0;
  std::uint64_t key = 0;
  std::uint32_t size = 0;
  std::uint32_t extentBlocks = 0;
  std::uint32_t extentStart = 0;
  volume::ItemState state = volume::ItemState::Unselected;
  std::u16string name;  // empty on a continuation record

  bool operator==(const ScanFileRecord&) const = default;
};

}  // namespace kestrel::savedscan
