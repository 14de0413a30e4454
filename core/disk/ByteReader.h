// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrel::disk {

using ByteView = std::span<const std::uint8_t>;

// Bounded little-endian readers. Every field read from disk goes through these: a field that does
// not lie wholly inside the buffer reads as absent (0, an empty name), never past its end.

constexpr bool FitsIn(ByteView bytes, std::size_t offset, std::size_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

template <std::size_t Width>
constexpr std::uint64_t ReadLittleEndian(ByteView bytes, std::size_t offset) {
  static_assert(Width >= 1 && Width <= 8);
  if (!FitsIn(bytes, offset, Width)) return 0;
  std::uint64_t value = 0;
  for (std::size_t i = Width; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

constexpr std::uint8_t ReadU8(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint8_t>(ReadLittleEndian<1>(bytes, offset));
}
constexpr std::uint16_t ReadU16(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadLittleEndian<2>(bytes, offset));
}
constexpr std::uint32_t ReadU24(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadLittleEndian<3>(bytes, offset));
}
constexpr std::uint32_t ReadU32(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadLittleEndian<4>(bytes, offset));
}
constexpr std::uint64_t ReadU64(ByteView bytes, std::size_t offset) {
  return ReadLittleEndian<8>(bytes, offset);
}

// True when the bytes at offset equal the signature exactly (a signature that would run past the
// end of the buffer is absent).
constexpr bool HasBytesAt(ByteView bytes, std::size_t offset, std::string_view signature) {
  if (!FitsIn(bytes, offset, signature.size())) return false;
  for (std::size_t i = 0; i < signature.size(); ++i) {
    if (bytes[offset + i] != static_cast<std::uint8_t>(signature[i])) return false;
  }
  return true;
}

// `units` UTF-16LE code units at offset; units that lie outside the buffer are absent, so the
// result is cut at the buffer's end.
std::u16string ReadUtf16(ByteView bytes, std::size_t offset, std::size_t units);

// A zero-terminated UTF-16LE string at offset, at most maxUnits long, cut at the buffer's end.
std::u16string ReadUtf16UntilZero(ByteView bytes, std::size_t offset, std::size_t maxUnits);

}  // namespace kestrel::disk
