// SPDX-License-Identifier: Apache-2.0
#include "imaging/Digest.h"

namespace kestrel::imaging {

void Digest::Update(std::span<const std::uint8_t> bytes) {
  if (!failed_) failed_ = !Feed(bytes);
}

std::string Digest::HexDigest() {
  const std::optional<std::vector<std::uint8_t>> digest = failed_ ? std::nullopt : Finish();
  failed_ = true;  // a finished hash takes no more bytes
  if (!digest) return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : *digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace kestrel::imaging
