#pragma once

#include <string>
#include <string_view>
#include <vector>

// The entries named in a folder listing the server sent: an MLSD listing (RFC 3659 facts), or a
// LIST listing in the Unix "ls -l" or the DOS format, the two that servers send. "." and ".."
// are left out.
namespace kestrel::destination {

struct ListedEntry {
  std::string name;
  bool folder = false;

  bool operator==(const ListedEntry&) const = default;
};

std::vector<ListedEntry> EntriesFromMlsd(std::string_view listing);
std::vector<ListedEntry> EntriesFromList(std::string_view listing);

std::vector<std::string> FolderNames(const std::vector<ListedEntry>& entries);

}  // namespace kestrel::destination
