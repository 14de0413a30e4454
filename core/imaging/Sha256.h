#pragma once

#include <cstdint>
#include <span>
#include <string>

struct evp_md_ctx_st;

namespace kestrel::imaging {

// The SHA-256 of a stream of bytes, so that an image can be checked against its source later.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given, as 64 lowercase hexadecimal digits, taken once at the end;
  // "" when the hash could not be computed (the library refused a step).
  std::string HexDigest();

 private:
  evp_md_ctx_st* context_;
  bool failed_ = false;
};

}  // namespace kestrel::imaging
