// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>

// Which preview a file gets, chosen by the text after the last "." of its name alone: no content
// signature is examined, so a damaged picture is still offered as one (and falls back to hex).
namespace kestrel::viewers {

enum class PreviewKind { Media, Picture, Hex };

// Compared without regard to case; a name without "." or ending in "." is Hex.
PreviewKind PreviewKindOf(std::u16string_view name);

// A picture is read up to this many bytes: a record that claims terabytes, or a damaged one,
// never makes the preview read or hold more.
inline constexpr std::uint64_t kPictureReadCap = 64ull << 20;

// What a click on a file previews and how many of its bytes that reads.
struct PreviewPlan {
  enum class Show { Nothing, Picture, Video, Audio, Hex };
  Show show = Show::Nothing;
  std::uint64_t readBytes = 0;  // Picture and media: the bytes read from the file's start

  bool operator==(const PreviewPlan&) const = default;
};

// A file of size 0 shows nothing. Media the player has no entry for (".mp4") is shown in hex.
// Video is played from its first 3 MiB, audio from its first 1 MiB, pictures decoded from at most
// `pictureCap` bytes; the hex viewer reads page by page.
PreviewPlan PlanPreview(std::u16string_view name, std::uint64_t size,
                        std::uint64_t pictureCap = kPictureReadCap);

}  // namespace kestrel::viewers
