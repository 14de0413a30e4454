// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

namespace kestrel::app {

// The program's version as the build names it: the project's version and, for a build from a
// git checkout, the commit it was built from, such as "3.0.0 (git 5f1ef6b)".
std::string_view VersionText();

}  // namespace kestrel::app
