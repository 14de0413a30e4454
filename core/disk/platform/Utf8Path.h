// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The system keeps its paths as UTF-8 text (from the command line, or names from disk). These turn
// them into std::filesystem paths and back without the platform's narrow code page: on Windows a
// narrow path would go through the ANSI code page and lose every character outside it.
namespace kestrel::platform {

inline std::filesystem::path Utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kestrel::platform
