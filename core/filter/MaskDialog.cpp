// SPDX-License-Identifier: Apache-2.0
#include "filter/MaskDialog.h"

#include <limits>

#include "app/TextEncoding.h"
#include "filter/PatternList.h"

namespace kestrel::filter {
namespace {

constexpr std::size_t kMostSizeDigits = 20;  // 18446744073709551615, the largest 64-bit size

std::string_view TrimmedSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsBlank(const std::optional<std::string>& text) {
  return !text || TrimmedSpaces(*text).empty();
}

// Reads a bound when its edit holds text; sets nothing otherwise.
std::optional<std::string> ReadBound(const std::optional<std::string>& text,
                                     std::string_view caption, bool& set, std::uint64_t& value) {
  if (IsBlank(text)) return std::nullopt;
  auto bound = ParseSizeBound(*text, caption);
  if (!bound.ok()) return bound.error();
  set = true;
  value = bound.value();
  return std::nullopt;
}

}  // namespace

bool MaskOkEnabled(std::string_view patternText) {
  return !patternText.empty();
}

app::Result<std::uint64_t> ParseSizeBound(std::string_view text, std::string_view caption) {
  const std::string_view digits = TrimmedSpaces(text);
  const std::string what(caption);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return app::Failure{what + ": type a size in bytes with the digits 0 to 9 only"};
  if (digits.size() > kMostSizeDigits) return app::Failure{what + ": a size has at most 20 digits"};
  std::uint64_t value = 0;
  for (const char digit : digits) {
    const auto next = static_cast<std::uint64_t>(digit - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - next) / 10)
      return app::Failure{what + ": the largest size is 18446744073709551615 bytes"};
    value = value * 10 + next;
  }
  return value;
}

app::Result<MaskCriteria> ReadMaskCriteria(const MaskInput& input) {
  MaskCriteria criteria;
  criteria.m_maskPatterns = SplitPatterns(app::ToUtf16(input.patternText), kMaskSeparators);
  if (criteria.m_maskPatterns.empty())
    return app::Failure{"Type at least one file type, such as *.doc"};
  criteria.m_maskDeletedOnly = input.deletedOnly;
  if (auto refused = ReadBound(input.sizeFrom, input.sizeFromName, criteria.m_maskSizeFromSet,
                               criteria.m_maskSizeFrom))
    return app::Failure{*refused};
  if (auto refused = ReadBound(input.sizeUpto, input.sizeUptoName, criteria.m_maskSizeUptoSet,
                               criteria.m_maskSizeUpto))
    return app::Failure{*refused};
  if (criteria.m_maskSizeFromSet && criteria.m_maskSizeUptoSet &&
      criteria.m_maskSizeUpto < criteria.m_maskSizeFrom)
    return app::Failure{"The upper size bound (" + std::string(input.sizeUptoName) +
                        ") is below the lower one (" + std::string(input.sizeFromName) + ")"};
  return criteria;
}

}  // namespace kestrel::filter
