// SPDX-License-Identifier: Apache-2.0
#include "disk/ByteReader.h"

namespace kestrel::disk {

std::u16string ReadUtf16(ByteView bytes, std::size_t offset, std::size_t units) {
  std::u16string text;
  if (offset > bytes.size()) return text;
  const std::size_t available = (bytes.size() - offset) / 2;
  const std::size_t count = units < available ? units : available;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    text.push_back(static_cast<char16_t>(ReadU16(bytes, offset + 2 * i)));
  }
  return text;
}

std::u16string ReadUtf16UntilZero(ByteView bytes, std::size_t offset, std::size_t maxUnits) {
  std::u16string text = ReadUtf16(bytes, offset, maxUnits);
  const std::size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

}  // namespace kestrel::disk
