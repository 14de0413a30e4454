// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

// The pool page's own texts; the rest it shares with the volume page.
namespace kestrel::pool {

inline constexpr std::string_view kNoFilesFoundText =
    "No files found for recovery. Scan the pool again";

}  // namespace kestrel::pool
