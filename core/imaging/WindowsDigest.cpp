// SPDX-License-Identifier: Apache-2.0
// Digests through Windows CNG (BCrypt): an algorithm provider per hash, and its hash object.
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

#include "imaging/Digest.h"

namespace kestrel::imaging {

struct Digest::Context {
  explicit Context(DigestKind kind) : length(kind == DigestKind::Sha256 ? 32 : 16) {
    const LPCWSTR name =
        kind == DigestKind::Sha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_MD5_ALGORITHM;
    opened = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0)) &&
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
  ULONG length;                       // of the digest, in bytes
  bool opened = false;
};

Digest::Digest(DigestKind kind) : context_(std::make_unique<Context>(kind)) {
  failed_ = !context_->opened;
}

Digest::~Digest() = default;

// BCryptHashData takes at most 4 GiB - 1 at a time.
bool Digest::Feed(std::span<const std::uint8_t> bytes) {
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

std::optional<std::vector<std::uint8_t>> Digest::Finish() {
  std::vector<std::uint8_t> digest(context_->length);
  if (!BCRYPT_SUCCESS(BCryptFinishHash(context_->hash, digest.data(), context_->length, 0)))
    return std::nullopt;
  return digest;
}

}  // namespace kestrel::imaging
