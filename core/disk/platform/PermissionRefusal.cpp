// SPDX-License-Identifier: Apache-2.0
#include "disk/platform/PermissionRefusal.h"

#include <cstring>

namespace kestrel::platform {

std::string PermissionRefusal(bool asRoot, int error, const std::string& whoMayOpen) {
  if (!asRoot) return "permission denied" + whoMayOpen;
  return std::string("refused even to root by the system's device policy (") +
         std::strerror(error) + ")";
}

}  // namespace kestrel::platform
