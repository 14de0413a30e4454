#pragma once

#include <string>
#include <string_view>
#include <vector>

// The sub-folders named in a folder listing the server sent: an MLSD listing (RFC 3659 facts),
// or a LIST listing in the Unix "ls -l" or the DOS format, the two that servers send.
namespace kestrel::destination {

std::vector<std::string> FolderNamesFromMlsd(std::string_view listing);
std::vector<std::string> FolderNamesFromList(std::string_view listing);

}  // namespace kestrel::destination
