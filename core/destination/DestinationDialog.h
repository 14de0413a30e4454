// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "destination/Conflicts.h"
#include "destination/Destination.h"

// The destination dialog of a recovery and the two clash questions: their captions, when OK may
// be pressed, and the room test of a chosen folder.
namespace kestrel::destination {

inline constexpr std::string_view kDestinationGroupCaption = "Recovery Destination Option";
inline constexpr std::string_view kLocalDriveOption = "Recover to local drive";
inline constexpr std::string_view kFtpServerOption = "Recover to FTP server";
inline constexpr std::string_view kBrowseCaption = "Browse";
inline constexpr std::string_view kFtpOptionsCaption = "FTP Options";
inline constexpr std::string_view kFilterCaption = "Filter";
inline constexpr std::string_view kFtpFolderCaption = "Folder on the server:";
inline constexpr std::string_view kFolderBrowserTitle = "Save File";

// Where a recovery writes, as the person reads it: the local folder, or the server's folder with
// the server in front ("ftp://host/folder").
std::string DestinationText(DestinationKind kind, const std::string& folder,
                            const std::string& server);
// A server as DestinationText wants it: "host", or "host:port" off the usual port.
std::string FtpServerText(const std::string& host, std::uint16_t port);

// The FTP settings dialog and the browser of the server's folders.
inline constexpr std::string_view kFtpServerCaption = "Server Name / IP Address ";
inline constexpr std::string_view kFtpUserCaption = "User Name :";
inline constexpr std::string_view kFtpPasswordCaption = "Password :";
inline constexpr std::string_view kBrowseFtpCaption = "Browse FTP..";
inline constexpr std::string_view kFtpTreeTop = "/";
inline constexpr std::string_view kFtpTreePlaceholder = "empty";

// The clash question of a recovered file, with its six answers in their order.
inline constexpr std::string_view kConflictFileNameCaption = "File Name:";
inline constexpr std::string_view kConflictRenameToCaption = "Rename To:";
struct ConflictButton {
  ConflictChoice choice;
  std::string_view caption;
};
inline constexpr std::array<ConflictButton, 6> kConflictButtons{{
    {ConflictChoice::Rename, "Rename"},
    {ConflictChoice::OverWrite, "OverWrite"},
    {ConflictChoice::Skip, "Skip"},
    {ConflictChoice::RenameAll, "RenameAll"},
    {ConflictChoice::OverWriteAll, "OverWriteAll"},
    {ConflictChoice::SkipAll, "SkipAll"},
}};

// The clash question of a scan information file.
inline constexpr std::string_view kScanRenameFileCaption = "File Name that already exist";
inline constexpr std::string_view kScanRenameNewNameCaption = "New Name";
inline constexpr std::string_view kScanRenameOkCaption = "Ok";
inline constexpr std::string_view kScanRenameOverWriteCaption = "OverWrite";

// OK may be pressed exactly when the edit of the chosen kind holds text.
bool DestinationOkEnabled(DestinationKind kind, std::string_view localFolder,
                          std::string_view ftpPath);

// OK, "Browse FTP.." and the folder edit of the FTP settings: only with a server, a user name
// and a password.
bool FtpSettingsComplete(std::string_view server, std::string_view user, std::string_view password);

// The folder of an item of the FTP browser, from the names of the items below the top item down
// to it: "/" for the top item, "/a/b" for b under a.
std::string FtpTreePath(const std::vector<std::string>& namesBelowTop);

// The room test of a local folder: "Insufficient drive space at destination location." when the
// bytes to write are more than its file system has free (for a folder still to be made, the file
// system of its nearest existing parent); nothing when they fit, or when the free space cannot be
// measured (a write that fails then says so itself).
std::optional<std::string_view> RoomProblem(const std::string& folder, std::uint64_t bytesToWrite);

}  // namespace kestrel::destination
