// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The entries named in a folder listing the server sent: an MLSD listing (RFC 3659 facts), or a
// LIST listing in the Unix "ls -l" or the DOS format, the two that servers send. "." and ".."
// are left out. Sizes are taken from MLSD only: its "size" fact is defined, while the columns of
// a LIST line differ from server to server.
namespace kestrel::destination {

struct ListedEntry {
  std::string name;
  bool folder = false;
  std::optional<std::uint64_t> size;

  bool operator==(const ListedEntry&) const = default;
};

// What a listing tells of a folder. Only an MLSD listing whose every line was read names every
// entry: LIST leaves names out (most servers hide dot files from it), and so does a line that
// cannot be read.
struct FolderListing {
  std::vector<ListedEntry> entries;
  bool namesEveryEntry = false;
};

FolderListing ListingFromMlsd(std::string_view listing);
FolderListing ListingFromList(std::string_view listing);

std::vector<std::string> FolderNames(const std::vector<ListedEntry>& entries);

}  // namespace kestrel::destination
