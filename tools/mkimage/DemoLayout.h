// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

namespace kestrel::mkimage {

// The demo layout (layouts/demo.json), built into the program.
std::string_view DemoLayoutJson();

}  // namespace kestrel::mkimage
