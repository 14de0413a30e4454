// SPDX-License-Identifier: Apache-2.0
#include "Pictures.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ByteBuffer.h"

namespace kestrel::mkimage {
namespace {

constexpr std::size_t kFileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::size_t kPixelData = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

struct Colour {
  std::uint8_t red, green, blue;
};

std::uint8_t Ramp(std::uint32_t position, std::uint32_t length) {
  return static_cast<std::uint8_t>(length > 1 ? position * 255 / (length - 1) : 0);
}

Colour Gradient(std::uint32_t x, std::uint32_t yFromBottom, std::uint32_t width,
                std::uint32_t height) {
  const std::uint8_t blue = Ramp(x, width);
  const std::uint8_t green = Ramp(yFromBottom, height);
  return {static_cast<std::uint8_t>(255 - blue / 2 - green / 2), green, blue};
}

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

// PNG writes its integers big-endian, unlike everything else mkimage writes.
void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
  }
  return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes) {
  constexpr std::uint32_t kModulus = 65521;
  std::uint32_t low = 1, high = 0;
  for (std::uint8_t byte : bytes) {
    low = (low + byte) % kModulus;
    high = (high + low) % kModulus;
  }
  return (high << 16) | low;
}

void PutChunk(std::vector<std::uint8_t>& png, std::string_view type,
              std::span<const std::uint8_t> data) {
  PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = png.size();
  png.insert(png.end(), type.begin(), type.end());
  png.insert(png.end(), data.begin(), data.end());
  PutBigEndian(png, Crc32(std::span(png).subspan(typeStart)));
}

// A zlib stream of stored deflate blocks: no compression, so no compressor is needed.
std::vector<std::uint8_t> StoredZlib(std::span<const std::uint8_t> raw) {
  constexpr std::size_t kLargestStoredBlock = 65535;
  std::vector<std::uint8_t> stream = {0x78, 0x01};
  std::size_t done = 0;
  do {
    const std::size_t length = std::min(kLargestStoredBlock, raw.size() - done);
    const bool last = done + length == raw.size();
    stream.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00: stored
    const auto length16 = static_cast<std::uint16_t>(length);
    for (std::uint16_t value : {length16, static_cast<std::uint16_t>(~length16)}) {
      stream.push_back(static_cast<std::uint8_t>(value));
      stream.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    stream.insert(stream.end(), raw.begin() + done, raw.begin() + done + length);
    done += length;
  } while (done < raw.size());
  PutBigEndian(stream, Adler32(raw));
  return stream;
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
      const Colour colour = Gradient(x, y, width, height);
      bmp.putU8(pixel, colour.blue);
      bmp.putU8(pixel + 1, colour.green);
      bmp.putU8(pixel + 2, colour.red);
    }
  }
  return {bmp.bytes().begin(), bmp.bytes().end()};
}

std::vector<std::uint8_t> MakePngPicture(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> raw;  // each row: filter type 0, then its RGB pixels, top row first
  raw.reserve((std::size_t{width} * 3 + 1) * height);
  for (std::uint32_t row = 0; row < height; ++row) {
    raw.push_back(0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const Colour colour = Gradient(x, height - 1 - row, width, height);
      raw.insert(raw.end(), {colour.red, colour.green, colour.blue});
    }
  }
  std::vector<std::uint8_t> header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace kestrel::mkimage
