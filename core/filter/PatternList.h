// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::filter {

// The entries of a typed list such as "*.doc; *.xls": split at every one of the separators,
// spaces around each entry trimmed (" *.txt" is meant as "*.txt"), empty entries dropped.
std::vector<std::u16string> SplitPatterns(std::u16string_view text, std::u16string_view separators);

}  // namespace kestrel::filter
