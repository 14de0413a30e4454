// SPDX-License-Identifier: Apache-2.0
// Digests through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include "imaging/Digest.h"

namespace kestrel::imaging {

struct Digest::Context {
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() { EVP_MD_CTX_free(evp); }

  EVP_MD_CTX* evp = EVP_MD_CTX_new();
};

Digest::Digest(DigestKind kind) : context_(std::make_unique<Context>()) {
  const EVP_MD* algorithm = kind == DigestKind::Sha256 ? EVP_sha256() : EVP_md5();
  failed_ = context_->evp == nullptr || EVP_DigestInit_ex(context_->evp, algorithm, nullptr) != 1;
}

Digest::~Digest() = default;

bool Digest::Feed(std::span<const std::uint8_t> bytes) {
  return EVP_DigestUpdate(context_->evp, bytes.data(), bytes.size()) == 1;
}

std::optional<std::vector<std::uint8_t>> Digest::Finish() {
  std::vector<std::uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context_->evp, digest.data(), &length) != 1) return std::nullopt;
  digest.resize(length);
  return digest;
}

}  // namespace kestrel::imaging
