// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "Status.h"

namespace kestrel::mkimage {

// Paths of entries inside a volume: absolute, "/" separated, "/" itself being the top folder.
Status CheckEntryPath(std::string_view path);
std::string_view ParentPath(std::string_view path);  // "/" for an entry of the top folder
std::string_view LeafName(std::string_view path);
std::string JoinPath(std::string_view folder, std::string_view name);

inline constexpr std::string_view kTopFolderPath = "/";

}  // namespace kestrel::mkimage
