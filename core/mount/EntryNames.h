// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The names the entries of one folder show when a scanned tree is mounted as a folder tree.
namespace kestrel::mount {

// Ends the name of a deleted entry, and of a pool's volume that the volume directory no longer
// lists. A name made safe never holds a backslash, so no name from disk can end the same way.
inline constexpr std::string_view kDeletedSuffix = "\\deleted";

struct EntryName {
  std::u16string_view name;  // as decoded from disk
  bool deleted = false;
};

// One name per entry, in order, each a single path component of at most 255 bytes: the name made
// safe as recovery makes it for a local folder, with kDeletedSuffix on deleted entries. Where
// several entries would show the same name, the first keeps it and each other one becomes
// "Copy(n)_name" with the smallest n that no entry of the folder shows.
std::vector<std::string> FolderEntryNames(std::span<const EntryName> entries);

}  // namespace kestrel::mount
