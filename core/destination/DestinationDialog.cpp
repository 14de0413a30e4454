#include "destination/DestinationDialog.h"

#include <filesystem>

#include "destination/FreeSpace.h"
#include "disk/platform/Platform.h"

namespace kestrel::destination {
namespace {

// A folder the run is still to make lies on the file system of its nearest existing parent.
std::string NearestExistingFolder(const std::string& folder) {
  std::filesystem::path at(folder);
  while (!at.empty() && !platform::PathExists(at.string())) {
    const std::filesystem::path parent = at.parent_path();
    if (parent == at) break;
    at = parent;
  }
  return at.empty() ? std::string(".") : at.string();
}

}  // namespace

bool DestinationOkEnabled(DestinationKind kind, std::string_view localFolder,
                          std::string_view ftpPath) {
  return kind == DestinationKind::LocalDrive ? !localFolder.empty() : !ftpPath.empty();
}

std::optional<std::string_view> RoomProblem(const std::string& folder, std::uint64_t bytesToWrite) {
  const std::optional<std::uint64_t> freeBytes = platform::FreeBytes(NearestExistingFolder(folder));
  if (HasRoomFor(bytesToWrite, freeBytes)) return std::nullopt;
  return kInsufficientSpaceText;
}

}  // namespace kestrel::destination
