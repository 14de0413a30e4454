// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::app {

// A byte count by the largest unit of which it holds at least one: "%.2f GB", "%.2f MB",
// "%.2f KB" or "%.2f Bytes" (units of 1024).
std::string SizeText(std::uint64_t bytes);

// A byte count as a person types it: digits, then optionally k, m or g (either case) for units
// of 1024; nothing for any other text or a count beyond 64 bits.
std::optional<std::uint64_t> ParseByteCount(std::string_view text);

// printf-style formatting into a std::string, for the system's fixed texts.
std::string Format(const char* format, ...) __attribute__((format(KESTREL_PRINTF_ARCHETYPE, 1, 2)));

}  // namespace kestrel::app
