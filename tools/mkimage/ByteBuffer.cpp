// SPDX-License-Identifier: Apache-2.0
#include "ByteBuffer.h"

#include <algorithm>

namespace kestrel::mkimage {

void ByteBuffer::putLittleEndian(std::size_t offset, std::uint64_t value, std::size_t width) {
  extendTo(offset + width);
  for (std::size_t i = 0; i < width; ++i) {
    bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

void ByteBuffer::putText(std::size_t offset, std::string_view bytes) {
  extendTo(offset + bytes.size());
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ByteBuffer::putUtf16(std::size_t offset, std::u16string_view units) {
  extendTo(offset + 2 * units.size());
  std::uint8_t* at = bytes_.data() + offset;
  for (const char16_t unit : units) {
    *at++ = static_cast<std::uint8_t>(unit);
    *at++ = static_cast<std::uint8_t>(unit >> 8);
  }
}

void ByteBuffer::putBytes(std::size_t offset, std::span<const std::uint8_t> bytes) {
  extendTo(offset + bytes.size());
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint64_t ByteBuffer::read(std::size_t offset, std::size_t width) const {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    const std::size_t at = offset + i;
    value = (value << 8) | (at < bytes_.size() ? bytes_[at] : 0);
  }
  return value;
}

bool ByteBuffer::holdsText(std::size_t offset, std::string_view text) const {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (read(offset + i, 1) != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

void ByteBuffer::extendTo(std::size_t size) {
  if (size > bytes_.size()) bytes_.resize(size);
}

}  // namespace kestrel::mkimage
