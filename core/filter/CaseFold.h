// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

// Comparing names without regard to case. ASCII letters fold A-Z to a-z, as everywhere else in
// this program; every other character folds by Unicode simple case folding (one code point to
// one), so that "ÄRGER.DOC" and "ärger.doc" compare equal.
namespace kestrel::filter {

char32_t SimpleCaseFold(char32_t code);

// A UTF-16 name as folded code points. A surrogate without its partner stays as it is, so a
// damaged name from disk still compares equal to itself.
std::u32string FoldedText(std::u16string_view text);

}  // namespace kestrel::filter
