// Free space on POSIX systems: statvfs of the folder that holds the file.
#include <sys/statvfs.h>

#include <filesystem>

#include "disk/platform/FreeSpace.h"

namespace kestrel::platform {

std::optional<std::uint64_t> FreeBytesFor(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return std::uint64_t{info.f_bavail} * info.f_frsize;
}

}  // namespace kestrel::platform
