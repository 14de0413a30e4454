// SPDX-License-Identifier: Apache-2.0
// SHA-256 through Windows CNG (BCrypt): a reusable algorithm provider per hash, and its hash object.
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "imaging/Sha256.h"

namespace kestrel::imaging {

struct Sha256::Context {
  Context() {
    opened = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM,
                                                        nullptr, 0)) &&
             BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() {
    if (hash) BCryptDestroyHash(hash);
    if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  }

  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;  // the object keeps its own state buffer (Windows 7 and later)
  bool opened = false;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  failed_ = !context_->opened;
}

Sha256::~Sha256() = default;

// BCryptHashData takes at most 4 GiB - 1 at a time.
bool Sha256::Feed(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kLargestPiece = 0x7FFFFFFF;
  for (std::size_t done = 0; done < bytes.size();) {
    const auto piece = static_cast<ULONG>(std::min(bytes.size() - done, kLargestPiece));
    if (!BCRYPT_SUCCESS(
            BCryptHashData(context_->hash, const_cast<PUCHAR>(bytes.data() + done), piece, 0)))
      return false;
    done += piece;
  }
  return true;
}

std::optional<Sha256::Digest> Sha256::Finish() {
  Digest digest{};
  if (!BCRYPT_SUCCESS(BCryptFinishHash(context_->hash, digest.data(), digest.size(), 0)))
    return std::nullopt;
  return digest;
}

}  // namespace kestrel::imaging
