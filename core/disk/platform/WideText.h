// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "app/TextEncoding.h"

// Windows takes paths and names as UTF-16 (wchar_t); the system keeps them as UTF-8. Every call
// of a wide Windows function converts here, never through the ANSI code page.
namespace kestrel::platform {

inline std::wstring ToWide(std::string_view utf8) {
  const std::u16string units = app::ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string FromWide(std::wstring_view wide) {
  return app::ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace kestrel::platform
