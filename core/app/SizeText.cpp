#include "app/SizeText.h"

#include <cstdarg>
#include <cstdio>
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

}  // namespace kestrel::app
