// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace kestrel::imaging {

// The SHA-256 of a stream of bytes, so that an image can be checked against its source later.
// The hashing itself is the platform's: OpenSSL on Linux, CNG (BCrypt) on Windows.
class Sha256 {
 public:
  Sha256();  // the constructor and the destructor are the platform's
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given, as 64 lowercase hexadecimal digits, taken once at the end;
  // "" when the hash could not be computed (the library refused a step).
  std::string HexDigest();

 private:
  using Digest = std::array<std::uint8_t, 32>;
  struct Context;  // the platform library's hashing state

  // The platform's part: feeds and finishes the hash; false or nothing when the library refuses.
  bool Feed(std::span<const std::uint8_t> bytes);
  std::optional<Digest> Finish();

  std::unique_ptr<Context> context_;
  bool failed_ = false;
};

}  // namespace kestrel::imaging
