// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

namespace kestrel::filter {

// Whether the whole name matches the whole pattern: "*" stands for any run of characters (also
// none), "?" for exactly one, every other character for itself. Both are case folded by the
// caller. At most pattern length × name length steps: on a mismatch only the latest "*" is
// retried, one character further on, so a hostile pattern such as "*a*a*a*a*b" against a long
// name cannot take exponential time.
bool MatchesWildcard(std::u32string_view pattern, std::u32string_view name);

}  // namespace kestrel::filter
