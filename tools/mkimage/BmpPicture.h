#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::mkimage {

// A valid Windows BMP file (24 bits per pixel, bottom-up rows) showing a colour gradient, for
// picture files that a previewer can show.
std::vector<std::uint8_t> MakeBmpPicture(std::uint32_t width, std::uint32_t height);

}  // namespace kestrel::mkimage
