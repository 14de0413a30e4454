// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kestrel::app {

// UTF-16 names from disk to UTF-8 for display; a unit that cannot be converted (an unpaired
// surrogate) becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// A name for a log line or a message: UTF-8 with control characters written as \xNN, so that a
// name from disk can never start a line of its own.
std::string PrintableName(std::u16string_view text);
std::string PrintableText(std::string_view utf8);

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);

}  // namespace kestrel::app
