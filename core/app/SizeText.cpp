// SPDX-License-Identifier: Apache-2.0
#include "app/SizeText.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

namespace kestrel::app {

std::string Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
  std::vsnprintf(text.data(), text.size(), format, arguments);
  va_end(arguments);
  return {text.data(), text.size() - 1};
}

std::string SizeText(std::uint64_t bytes) {
  const auto value = static_cast<double>(bytes);
  if (bytes >> 30) return Format("%.2f GB", value / (1ull << 30));
  if (bytes >> 20) return Format("%.2f MB", value / (1ull << 20));
  if (bytes >> 10) return Format("%.2f KB", value / (1ull << 10));
  return Format("%.2f Bytes", value);
}

std::optional<std::uint64_t> ParseByteCount(std::string_view text) {
  constexpr std::string_view kUnits = "kmg";  // 2^10, 2^20, 2^30
  int shift = 0;
  if (!text.empty()) {
    const auto unit =
        kUnits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(text.back()))));
    if (unit != std::string_view::npos) {
      shift = 10 * static_cast<int>(unit + 1);
      text.remove_suffix(1);
    }
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t count = 0;
  constexpr std::uint64_t kMaximum = std::numeric_limits<std::uint64_t>::max();
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    const auto value = static_cast<std::uint64_t>(digit - '0');
    if (count > (kMaximum - value) / 10) return std::nullopt;
    count = count * 10 + value;
  }
  if (count > (kMaximum >> shift)) return std::nullopt;
  return count << shift;
}

}  // namespace kestrel::app
