// SPDX-License-Identifier: Apache-2.0
#include "volume/ScanTexts.h"

#include "app/SizeText.h"

namespace kestrel::volume {

std::string TotalText(std::uint64_t totalSize, std::uint32_t folderCount, std::uint32_t fileCount) {
  return app::Format("Total:  %s Folder(s): %u  File(s): %u", app::SizeText(totalSize).c_str(),
                     folderCount, fileCount);
}

std::string TotalText(const TreeCounters& counters) {
  return TotalText(counters.totalSize, counters.folderCount, counters.fileCount);
}

}  // namespace kestrel::volume
