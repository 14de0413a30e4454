// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrel::test {

// A byte buffer that tests fill by hand, little-endian, growing as needed.
class Bytes {
 public:
  explicit Bytes(std::size_t size = 0) : data_(size, 0) {}

  Bytes& Put(std::size_t offset, std::string_view text) {
    Reserve(offset + text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
      data_[offset + i] = static_cast<std::uint8_t>(text[i]);
    return *this;
  }
  Bytes& PutU8(std::size_t offset, std::uint8_t value) { return PutLittleEndian(offset, value, 1); }
  Bytes& PutU16(std::size_t offset, std::uint16_t value) {
    return PutLittleEndian(offset, value, 2);
  }
  Bytes& PutU32(std::size_t offset, std::uint32_t value) {
    return PutLittleEndian(offset, value, 4);
  }
  Bytes& PutU64(std::size_t offset, std::uint64_t value) {
    return PutLittleEndian(offset, value, 8);
  }
  Bytes& PutUtf16(std::size_t offset, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) PutU16(offset + 2 * i, text[i]);
    return *this;
  }

  std::vector<std::uint8_t>& data() { return data_; }
  const std::vector<std::uint8_t>& data() const { return data_; }
  std::size_t size() const { return data_.size(); }

 private:
  void Reserve(std::size_t size) {
    if (data_.size() < size) data_.resize(size, 0);
  }
  Bytes& PutLittleEndian(std::size_t offset, std::uint64_t value, std::size_t width) {
    Reserve(offset + width);
    for (std::size_t i = 0; i < width; ++i)
      data_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return *this;
  }

  std::vector<std::uint8_t> data_;
};

}  // namespace kestrel::test
