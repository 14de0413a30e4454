#pragma once

#include <string>
#include <string_view>

namespace kestrel::app {

// UTF-16 names from disk to UTF-8 for display; a unit that cannot be converted (an unpaired
// surrogate) becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);

}  // namespace kestrel::app
