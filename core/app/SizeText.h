#pragma once

#include <cstdint>
#include <string>

namespace kestrel::app {

// A byte count by the largest unit of which it holds at least one: "%.2f GB", "%.2f MB",
// "%.2f KB" or "%.2f Bytes" (units of 1024).
std::string SizeText(std::uint64_t bytes);

// printf-style formatting into a std::string, for the system's fixed texts.
std::string Format(const char* format, ...) __attribute__((format(KESTREL_PRINTF_ARCHETYPE, 1, 2)));

}  // namespace kestrel::app
