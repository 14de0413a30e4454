// SPDX-License-Identifier: Apache-2.0
#include "destination/DestinationDialog.h"

#include <filesystem>

#include "destination/FreeSpace.h"
#include "destination/FtpSettings.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::destination {
namespace {

// A folder the run is still to make lies on the file system of its nearest existing parent.
std::string NearestExistingFolder(const std::string& folder) {
  std::filesystem::path at = platform::Utf8Path(folder);
  while (!at.empty() && !platform::PathExists(platform::Utf8Text(at))) {
    const std::filesystem::path parent = at.parent_path();
    if (parent == at) break;
    at = parent;
  }
  return at.empty() ? std::string(".") : platform::Utf8Text(at);
}

}  // namespace

bool DestinationOkEnabled(DestinationKind kind, std::string_view localFolder,
                          std::string_view ftpPath) {
  return kind == DestinationKind::LocalDrive ? !localFolder.empty() : !ftpPath.empty();
}

bool FtpSettingsComplete(std::string_view server, std::string_view user,
                         std::string_view password) {
  return !server.empty() && !user.empty() && !password.empty();
}

std::string DestinationText(DestinationKind kind, const std::string& folder,
                            const std::string& server) {
  if (kind == DestinationKind::LocalDrive) return folder;
  return "ftp://" + server + (folder.starts_with('/') ? "" : "/") + folder;
}

std::string FtpServerText(const std::string& host, std::uint16_t port) {
  return port == kDefaultFtpPort ? host : host + ":" + std::to_string(port);
}

std::string FtpTreePath(const std::vector<std::string>& namesBelowTop) {
  std::string path;
  for (const std::string& name : namesBelowTop) path += "/" + name;
  return path.empty() ? std::string(kFtpTreeTop) : path;
}

std::optional<std::string_view> RoomProblem(const std::string& folder, std::uint64_t bytesToWrite) {
  const std::optional<std::uint64_t> freeBytes = platform::FreeBytes(NearestExistingFolder(folder));
  if (HasRoomFor(bytesToWrite, freeBytes)) return std::nullopt;
  return kInsufficientSpaceText;
}

}  // namespace kestrel::destination
