// SPDX-License-Identifier: Apache-2.0
#include "savedscan/ScanSaving.h"

#include "app/TextEncoding.h"
#include "savedscan/SaveRules.h"

namespace kestrel::savedscan {

SourceDescription DescribeVolumeScan(const volume::VolumeScanSource& source) {
  return {"Volume:" + app::ToUtf8(source.volumeName), source.sourcePath,
          static_cast<std::uint64_t>(source.poolBase)};
}

SourceDescription DescribePoolScan(const pool::PoolScanSource& source, std::int64_t poolBase) {
  const std::string display = source.followSegments ? app::ToUtf8(source.label) : "Pool";
  return {display, source.sourcePath, static_cast<std::uint64_t>(poolBase)};
}

bool AsksToSaveOnLeaving(bool scanSaved, const volume::FileTree& tree) {
  return !scanSaved && HasSomethingToSave(tree);
}

}  // namespace kestrel::savedscan
