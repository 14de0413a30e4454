// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "filter/FileMask.h"

// The mask dialog (and the command line's mask options): its texts, and the criteria read from
// what was typed, refused with a clear message when they make no sense.
namespace kestrel::filter {

inline constexpr std::string_view kMaskTitle = "A file mask delimited with semi-colons.";
inline constexpr std::string_view kFilesOfTypeLabel = "Files of Type :";
inline constexpr std::string_view kDeletedFilesCaption = "Invalid/Deleted Files";
inline constexpr std::string_view kSizeFromCaption = "Size From (Bytes)";
inline constexpr std::string_view kSizeUptoCaption = "Upto";
inline constexpr std::string_view kInitialMaskText = "*.*";
inline constexpr std::size_t kMaskTextLimit = 125;  // characters the pattern edit accepts
// The toggle label under MASK / Unmask.
inline constexpr std::string_view kUnmaskToggleText = "Unmask";
inline constexpr std::string_view kMaskToggleText = "Mask";

// The separators of the pattern text.
inline constexpr std::u16string_view kMaskSeparators = u";,";

// What was typed: the pattern text, the box "Invalid/Deleted Files", and each size edit's text
// while its box is checked (an empty edit sets no bound). The messages name the size edits by
// their captions, or by the names a front end gives them.
struct MaskInput {
  std::string patternText;
  bool deletedOnly = false;
  std::optional<std::string> sizeFrom;
  std::optional<std::string> sizeUpto;
  std::string_view sizeFromName = kSizeFromCaption;
  std::string_view sizeUptoName = kSizeUptoCaption;
};

// OK may be pressed while the pattern edit holds text.
bool MaskOkEnabled(std::string_view patternText);

// A size bound: decimal digits only, at most 20 of them, at most 18446744073709551615; spaces
// around it are ignored. `caption` names the edit in the message.
app::Result<std::uint64_t> ParseSizeBound(std::string_view text, std::string_view caption);

// The criteria, or why they are refused: no file type at all, a size that is not a number, or an
// upper bound below the lower one. Either bound alone is a valid range.
app::Result<MaskCriteria> ReadMaskCriteria(const MaskInput& input);

}  // namespace kestrel::filter
