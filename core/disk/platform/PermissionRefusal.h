// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace kestrel::platform {

// What follows the path in the refusal to open it for lack of permission (errno EACCES or EPERM).
// Someone who is not root is told who may open it (whoMayOpen, as " (run as root)"). Root is
// refused only by a policy of the system's own (a container's device rules, a security module),
// which running as root again cannot get past: that is said, with the system's text of the error.
std::string PermissionRefusal(bool asRoot, int error, const std::string& whoMayOpen);

}  // namespace kestrel::platform
