// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::mkimage {

// Valid picture files showing the same colour gradient, for picture files that a previewer can
// show: blue grows to the right, green upwards, red falls with both. At (x, y), y counted from the
// bottom row: blue = x * 255 / (width - 1), green = y * 255 / (height - 1), red = 255 - blue / 2 -
// green / 2, in integer arithmetic.
//
// A Windows BMP file (24 bits per pixel, bottom-up rows).
std::vector<std::uint8_t> MakeBmpPicture(std::uint32_t width, std::uint32_t height);
// A PNG file (8-bit RGB, no interlace), its pixel data in stored, uncompressed deflate blocks.
std::vector<std::uint8_t> MakePngPicture(std::uint32_t width, std::uint32_t height);

}  // namespace kestrel::mkimage
