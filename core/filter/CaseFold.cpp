// SPDX-License-Identifier: Apache-2.0
#include "filter/CaseFold.h"

#include <algorithm>

#include "filter/CaseFoldTable.h"

namespace kestrel::filter {
namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char32_t SimpleCaseFold(char32_t code) {
  if (code < 0x80) return code >= U'A' && code <= U'Z' ? code + (U'a' - U'A') : code;
  const auto run = std::lower_bound(kFoldRuns.begin(), kFoldRuns.end(), code,
                                    [](const FoldRun& r, char32_t c) { return r.last < c; });
  if (run == kFoldRuns.end() || code < run->first || (code - run->first) % run->stride != 0)
    return code;
  return static_cast<char32_t>(static_cast<std::int64_t>(code) + run->delta);
}

std::u32string FoldedText(std::u16string_view text) {
  std::u32string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    folded.push_back(SimpleCaseFold(code));
  }
  return folded;
}

}  // namespace kestrel::filter
