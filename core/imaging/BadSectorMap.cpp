// SPDX-License-Identifier: Apache-2.0
#include "imaging/BadSectorMap.h"

namespace kestrel::imaging {

void BadSectorMap::Add(std::uint64_t sector) {
  ++sectorCount_;
  if (!runs_.empty() && runs_.back().first + runs_.back().count == sector) {
    ++runs_.back().count;
    return;
  }
  runs_.push_back({sector, 1});
}

}  // namespace kestrel::imaging
