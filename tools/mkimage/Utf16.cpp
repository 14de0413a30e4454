// SPDX-License-Identifier: Apache-2.0
#include "Utf16.h"

#include <cstdint>

namespace kestrel::mkimage {
namespace {

struct Decoded {
  char32_t codePoint;
  std::size_t length;  // bytes consumed; 0 when malformed
};

// One code point from the start of `text`, rejecting overlong forms and surrogates.
Decoded DecodeOne(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return {0, 0};
  char32_t codePoint = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || surrogate) return {0, 0};
  return {codePoint, length};
}

}  // namespace

Result<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string units;
  while (!utf8.empty()) {
    const Decoded decoded = DecodeOne(utf8);
    if (decoded.length == 0) return Error{"malformed UTF-8 in \"" + std::string(utf8) + "\""};
    if (decoded.codePoint == 0) return Error{"a name cannot hold the NUL character"};
    if (decoded.codePoint < 0x10000) {
      units.push_back(static_cast<char16_t>(decoded.codePoint));
    } else {
      const char32_t offset = decoded.codePoint - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    }
    utf8.remove_prefix(decoded.length);
  }
  return units;
}

}  // namespace kestrel::mkimage
