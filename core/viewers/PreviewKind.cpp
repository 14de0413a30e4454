// SPDX-License-Identifier: Apache-2.0
#include "viewers/PreviewKind.h"

#include <algorithm>
#include <array>

namespace kestrel::viewers {
namespace {

constexpr std::array<std::u16string_view, 13> kMediaExtensions = {
    u"ASF", u"MP3", u"MP4", u"AVI", u"MPEG", u"MID", u"RMI",
    u"WAV", u"WMV", u"MPG", u"WMA", u"MIDI", u"AU"};
constexpr std::array<std::u16string_view, 34> kPictureExtensions = {
    u"BMP", u"WBMP", u"WMF",  u"EMF", u"PNG", u"MNG", u"JNG", u"JFIF", u"DIB",
    u"GIF", u"TIF",  u"TIFF", u"TGA", u"PCX", u"JPG", u"JPE", u"J2K",  u"JP2",
    u"JBG", u"J2C",  u"JPC",  u"PGX", u"PNM", u"PGM", u"PPM", u"RAS",  u"X3F",
    u"PEF", u"NEF",  u"KDC",  u"K25", u"ERF", u"DNG", u"JPEG"};
// The player's entries; a media extension missing here (MP4) has none.
constexpr std::array<std::u16string_view, 5> kVideoExtensions = {u"AVI", u"ASF", u"WMV", u"MPG",
                                                                 u"MPEG"};
constexpr std::array<std::u16string_view, 7> kAudioExtensions = {u"MP3",  u"WAV", u"AU", u"WMA",
                                                                 u"MIDI", u"MID", u"RMI"};

constexpr std::uint64_t kVideoReadBytes = 3ull << 20;
constexpr std::uint64_t kAudioReadBytes = 1ull << 20;

std::u16string_view ExtensionOf(std::u16string_view name) {
  const auto dot = name.rfind(u'.');
  return dot == std::u16string_view::npos ? std::u16string_view{} : name.substr(dot + 1);
}

// ASCII letters compared without regard to case: the table holds upper-case ASCII only.
bool SameExtension(std::u16string_view extension, std::u16string_view upper) {
  return std::ranges::equal(extension, upper, [](char16_t a, char16_t b) {
    return (a >= u'a' && a <= u'z' ? a - u'a' + u'A' : a) == b;
  });
}

template <std::size_t N>
bool Listed(const std::array<std::u16string_view, N>& table, std::u16string_view extension) {
  return std::ranges::any_of(
      table, [&](std::u16string_view entry) { return SameExtension(extension, entry); });
}

}  // namespace

PreviewKind PreviewKindOf(std::u16string_view name) {
  const std::u16string_view extension = ExtensionOf(name);
  if (extension.empty()) return PreviewKind::Hex;
  if (Listed(kMediaExtensions, extension)) return PreviewKind::Media;
  if (Listed(kPictureExtensions, extension)) return PreviewKind::Picture;
  return PreviewKind::Hex;
}

PreviewPlan PlanPreview(std::u16string_view name, std::uint64_t size, std::uint64_t pictureCap) {
  using Show = PreviewPlan::Show;
  if (size == 0) return {};
  const std::u16string_view extension = ExtensionOf(name);
  switch (PreviewKindOf(name)) {
    case PreviewKind::Picture:
      return {Show::Picture, std::min(size, pictureCap)};
    case PreviewKind::Media:
      if (Listed(kVideoExtensions, extension))
        return {Show::Video, std::min(size, kVideoReadBytes)};
      if (Listed(kAudioExtensions, extension))
        return {Show::Audio, std::min(size, kAudioReadBytes)};
      return {Show::Hex, 0};
    case PreviewKind::Hex:
      break;
  }
  return {Show::Hex, 0};
}

}  // namespace kestrel::viewers
