#include "imaging/Sha256.h"

#include <openssl/evp.h>

#include <array>

namespace kestrel::imaging {

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  failed_ = context_ == nullptr || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(context_);
}

void Sha256::Update(std::span<const std::uint8_t> bytes) {
  if (!failed_) failed_ = EVP_DigestUpdate(context_, bytes.data(), bytes.size()) != 1;
}

std::string Sha256::HexDigest() {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (failed_ || EVP_DigestFinal_ex(context_, digest.data(), &length) != 1) {
    failed_ = true;
    return {};
  }
  failed_ = true;  // a finished context takes no more bytes
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += kDigits[digest[i] >> 4];
    text += kDigits[digest[i] & 0x0F];
  }
  return text;
}

}  // namespace kestrel::imaging
