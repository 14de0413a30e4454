// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::imaging {

// SHA-256, by which an image or a recovered file is checked against its source later; MD5, which
// older tools check.
enum class DigestKind { Sha256, Md5 };

// The digest of a stream of bytes. The hashing itself is the platform's: OpenSSL on Linux, CNG
// (BCrypt) on Windows.
class Digest {
 public:
  explicit Digest(DigestKind kind);  // the constructor and the destructor are the platform's
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given, as lowercase hexadecimal digits, taken once at the end; ""
  // when the hash could not be computed (the library refused a step).
  std::string HexDigest();

 private:
  struct Context;  // the platform library's hashing state

  // The platform's part: feeds and finishes the hash; false or nothing when the library refuses.
  bool Feed(std::span<const std::uint8_t> bytes);
  std::optional<std::vector<std::uint8_t>> Finish();

  std::unique_ptr<Context> context_;
  bool failed_ = false;
};

}  // namespace kestrel::imaging
