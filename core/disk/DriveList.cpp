// SPDX-License-Identifier: Apache-2.0
#include "disk/DriveList.h"

#include "app/SizeText.h"
#include "disk/NssLayout.h"

namespace kestrel::disk {

DriveList ListDisks() {
  DriveList list;
  for (int n = 0; n < kMaxListedDrives; ++n) {
    const auto presence = platform::FindDisk(n);
    if (!presence) continue;
    if (!presence->status.ok()) {
      list.drives.push_back({n, presence->kind, 0, std::nullopt, presence->status});
      continue;
    }
    (presence->kind == platform::MediaKind::Fixed ? list.fixedCount : list.removableCount)++;
    list.drives.push_back(
        {n, presence->kind, platform::DiskSectorCount(n), platform::IdentifyDrive(n), {}});
  }
  return list;
}

std::string DriveSizeText(std::uint64_t sectors) {
  const double bytes = static_cast<double>(sectors) * layout::kSectorSize;
  const std::uint64_t whole = sectors * layout::kSectorSize;
  if (whole >> 30) return app::Format("%.2f GB", bytes / (1ull << 30));
  if (whole >> 20) return app::Format("%.2f MB", bytes / (1ull << 20));
  return app::Format("%.2f KB", bytes / 1024);
}

}  // namespace kestrel::disk
