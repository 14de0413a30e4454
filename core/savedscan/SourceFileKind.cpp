// SPDX-License-Identifier: Apache-2.0
#include "savedscan/SourceFileKind.h"

#include "disk/NssLayout.h"

namespace kestrel::savedscan {

SourceFileKind ClassifySourceFile(disk::ByteView firstBytes) {
  if (disk::HasBytesAt(firstBytes, 0, kScanFileBanner)) return SourceFileKind::ScanInformation;
  if (disk::HasBytesAt(firstBytes, 0, disk::layout::kPartitionSignature.substr(0, 8))) {
    return SourceFileKind::PoolImage;
  }
  return SourceFileKind::DiskImage;
}

}  // namespace kestrel::savedscan
