#include "BmpPicture.h"

#include "ByteBuffer.h"

namespace kestrel::mkimage {
namespace {

constexpr std::size_t kFileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::size_t kPixelData = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

void WriteHeaders(ByteBuffer& bmp, std::uint32_t width, std::uint32_t height, std::size_t size) {
  bmp.putText(0, "BM");
  bmp.putU32(2, static_cast<std::uint32_t>(size));
  bmp.putU32(10, kPixelData);
  bmp.putU32(14, kInfoHeaderSize);
  bmp.putU32(18, width);
  bmp.putU32(22, height);
  bmp.putU16(26, 1);  // colour planes
  bmp.putU16(28, kBitsPerPixel);
  bmp.putU32(34, static_cast<std::uint32_t>(size - kPixelData));
  bmp.putU32(38, kPixelsPerMetre);
  bmp.putU32(42, kPixelsPerMetre);
}

std::uint8_t Ramp(std::uint32_t position, std::uint32_t length) {
  return static_cast<std::uint8_t>(length > 1 ? position * 255 / (length - 1) : 0);
}

}  // namespace

std::vector<std::uint8_t> MakeBmpPicture(std::uint32_t width, std::uint32_t height) {
  const std::size_t rowSize = (std::size_t{width} * 3 + 3) & ~std::size_t{3};
  const std::size_t size = kPixelData + rowSize * height;
  ByteBuffer bmp(size);
  WriteHeaders(bmp, width, height, size);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t pixel = kPixelData + rowSize * y + 3 * std::size_t{x};
      bmp.putU8(pixel, Ramp(x, width));       // blue grows to the right
      bmp.putU8(pixel + 1, Ramp(y, height));  // green grows upwards
      bmp.putU8(pixel + 2,
                static_cast<std::uint8_t>(255 - Ramp(x, width) / 2 - Ramp(y, height) / 2));
    }
  }
  return {bmp.bytes().begin(), bmp.bytes().end()};
}

}  // namespace kestrel::mkimage
