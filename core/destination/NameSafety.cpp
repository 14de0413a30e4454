// SPDX-License-Identifier: Apache-2.0
#include "destination/NameSafety.h"

#include "app/TextEncoding.h"

namespace kestrel::destination {
namespace {

constexpr char16_t kReplacement = u'_';

bool IsRefused(char16_t unit, const NameRules& rules) {
  return unit < 0x20 || unit == 0x7F || unit == u'/' || unit == u'\\' ||
         rules.refused.find(unit) != std::u16string::npos;
}

// The byte length of the UTF-8 prefix of text that fits in maxBytes without cutting a character.
std::size_t FittingPrefix(const std::string& text, std::size_t maxBytes) {
  std::size_t end = std::min(maxBytes, text.size());
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return end;
}

std::string Shortened(const std::string& name, std::size_t maxBytes) {
  if (name.size() <= maxBytes) return name;
  const auto dot = name.rfind('.');
  const bool keepExtension =
      dot != std::string::npos && dot > 0 && name.size() - dot < maxBytes / 2;
  const std::string extension = keepExtension ? name.substr(dot) : std::string{};
  const std::string stem = keepExtension ? name.substr(0, dot) : name;
  return stem.substr(0, FittingPrefix(stem, maxBytes - extension.size())) + extension;
}

// Windows opens a device, not a file, for CON, PRN, AUX, NUL, COM0-COM9 and LPT0-LPT9, in any
// case, with any extension and with blanks before it.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  std::string upper;
  for (const char16_t unit : stem) {
    if (unit > 0x7F) return false;
    upper += static_cast<char>(unit >= u'a' && unit <= u'z' ? unit - 0x20 : unit);
  }
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '0' && upper[3] <= '9';
}

// Windows would drop a dot or blank at the end of a name, so that two names could become one.
void ReplaceTrailingDotsAndBlanks(std::string& name) {
  for (auto at = name.rbegin(); at != name.rend() && (*at == '.' || *at == ' '); ++at)
    *at = static_cast<char>(kReplacement);
}

}  // namespace

SafeName MakeSafeName(std::u16string_view name, const NameRules& rules) {
  std::u16string safe(name);
  for (char16_t& unit : safe) {
    if (IsRefused(unit, rules)) unit = kReplacement;
  }
  if (safe.empty() || safe == u"." || safe == u"..")
    safe.assign(std::max<std::size_t>(safe.size(), 1), kReplacement);
  if (rules.windowsNames && IsDeviceName(safe)) safe.insert(safe.begin(), kReplacement);
  const std::string original = app::ToUtf8(name);
  std::string result = Shortened(app::ToUtf8(safe), rules.maxBytes);
  if (rules.windowsNames) ReplaceTrailingDotsAndBlanks(result);
  const bool changed = result != original || app::ToUtf16(original) != name;
  return {std::move(result), changed};
}

}  // namespace kestrel::destination
