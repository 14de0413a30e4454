// SPDX-License-Identifier: Apache-2.0
#include "EntryPath.h"

namespace kestrel::mkimage {

Status CheckEntryPath(std::string_view path) {
  if (path.size() < 2 || path.front() != '/') {
    return Error{"path \"" + std::string(path) + "\" must start with / and name an entry"};
  }
  std::string_view rest = path.substr(1);
  while (true) {
    const std::string_view name = rest.substr(0, rest.find('/'));
    if (name.empty() || name == "." || name == "..") {
      return Error{"path \"" + std::string(path) + "\" has an empty, . or .. component"};
    }
    if (name.size() == rest.size()) return {};
    rest.remove_prefix(name.size() + 1);
  }
}

std::string_view ParentPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 ? kTopFolderPath : path.substr(0, slash);
}

std::string_view LeafName(std::string_view path) {
  return path.substr(path.rfind('/') + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  return path + std::string(name);
}

}  // namespace kestrel::mkimage
