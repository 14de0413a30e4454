// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::mkimage {

// Bytes of one on-disk structure under construction. Writing past the end grows the buffer with
// zeros, so a record takes exactly the room its fields need; everything not written stays zero.
class ByteBuffer {
 public:
  explicit ByteBuffer(std::size_t size = 0) : bytes_(size) {}

  void putU8(std::size_t offset, std::uint8_t value) { putLittleEndian(offset, value, 1); }
  void putU16(std::size_t offset, std::uint16_t value) { putLittleEndian(offset, value, 2); }
  void putU32(std::size_t offset, std::uint32_t value) { putLittleEndian(offset, value, 4); }
  void putU64(std::size_t offset, std::uint64_t value) { putLittleEndian(offset, value, 8); }
  void putText(std::size_t offset, std::string_view bytes);
  void putUtf16(std::size_t offset, std::u16string_view units);
  void putBytes(std::size_t offset, std::span<const std::uint8_t> bytes);

  // Little-endian value of `width` bytes at offset; bytes past the end read as 0.
  std::uint64_t read(std::size_t offset, std::size_t width) const;
  bool holdsText(std::size_t offset, std::string_view text) const;

  // Grows (never shrinks) the buffer to at least `size` bytes.
  void extendTo(std::size_t size);
  std::size_t size() const { return bytes_.size(); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  void putLittleEndian(std::size_t offset, std::uint64_t value, std::size_t width);

  std::vector<std::uint8_t> bytes_;
};

}  // namespace kestrel::mkimage
