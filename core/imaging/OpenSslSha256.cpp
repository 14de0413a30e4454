// SPDX-License-Identifier: Apache-2.0
// SHA-256 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include "imaging/Sha256.h"

namespace kestrel::imaging {

struct Sha256::Context {
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() { EVP_MD_CTX_free(evp); }

  EVP_MD_CTX* evp = EVP_MD_CTX_new();
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  failed_ = context_->evp == nullptr ||
            EVP_DigestInit_ex(context_->evp, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

bool Sha256::Feed(std::span<const std::uint8_t> bytes) {
  return EVP_DigestUpdate(context_->evp, bytes.data(), bytes.size()) == 1;
}

std::optional<Sha256::Digest> Sha256::Finish() {
  Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context_->evp, digest.data(), &length) != 1 || length != digest.size())
    return std::nullopt;
  return digest;
}

}  // namespace kestrel::imaging
