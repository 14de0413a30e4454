#include "destination/SourceOverlap.h"

#include "disk/DriveName.h"
#include "disk/platform/Platform.h"
#include "disk/platform/StorageUse.h"

namespace kestrel::destination {

SourceOverlap OverlapWithSource(const std::string& path, const std::string& sourcePath) {
  const auto disk = disk::PhysicalDriveNumber(sourcePath);
  const std::string source = disk ? platform::DiskDevicePath(*disk) : sourcePath;
  if (source.empty()) return SourceOverlap::None;
  if (platform::SameStorage(path, source)) return SourceOverlap::IsTheSource;
  if (platform::FileSystemLiesOn(path, source)) return SourceOverlap::OnTheSourceDisk;
  return SourceOverlap::None;
}

std::optional<app::Failure> RecoveryFolderRefusal(const std::string& folder,
                                                  const std::string& sourcePath) {
  if (OverlapWithSource(folder, sourcePath) == SourceOverlap::None) return std::nullopt;
  return app::Failure{folder + ": lies on the source disk (" + sourcePath +
                      "); recovering there would overwrite the deleted data to be recovered. "
                      "Choose a folder on another disk."};
}

}  // namespace kestrel::destination
