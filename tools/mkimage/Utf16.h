// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "Status.h"

namespace kestrel::mkimage {

// UTF-16 units of a UTF-8 text, as NSS stores names. Malformed UTF-8 and the NUL character
// (which would end a zero-terminated name early) are errors.
Result<std::u16string> Utf8ToUtf16(std::string_view utf8);

}  // namespace kestrel::mkimage
