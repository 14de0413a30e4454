// SPDX-License-Identifier: Apache-2.0
#include "volume/HashQueue.h"

#include <optional>

#include "imaging/Digest.h"

namespace kestrel::volume {

HashQueue::HashQueue(bool md5Too) : md5Too_(md5Too), thread_([this] { Run(); }) {}

HashQueue::~HashQueue() {
  Digests();  // what was handed over is hashed before the thread stops
  {
    const std::scoped_lock lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::size_t HashQueue::BeginFile() {
  Push({Piece::Kind::Begin, {}}, 1);
  return begun_++;
}

void HashQueue::Add(std::span<const std::uint8_t> bytes) {
  if (!bytes.empty()) Push({Piece::Kind::Bytes, bytes}, 1);
}

void HashQueue::EndFile() {
  Push({Piece::Kind::End, {}}, 0);
}

std::vector<HashQueue::FileDigests> HashQueue::Digests() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return hashed_ == pushed_; });
  return digests_;
}

void HashQueue::Push(Piece piece, std::size_t pending) {
  std::unique_lock lock(mutex_);
  queued_.push_back(piece);
  ++pushed_;
  changed_.notify_all();
  changed_.wait(lock, [this, pending] { return pushed_ - hashed_ <= pending; });
}

// On the hashing thread. It ends on a flag rather than a stop token: see app/StopAwareWait.h.
void HashQueue::Run() {
  std::optional<imaging::Digest> sha256;
  std::optional<imaging::Digest> md5;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return closing_ || !queued_.empty(); });
      if (queued_.empty()) return;
      piece = queued_.front();
      queued_.pop_front();
    }
    if (piece.kind == Piece::Kind::Begin) {
      sha256.emplace(imaging::DigestKind::Sha256);
      if (md5Too_) md5.emplace(imaging::DigestKind::Md5);
    }
    if (piece.kind == Piece::Kind::Bytes) {
      sha256->Update(piece.bytes);
      if (md5) md5->Update(piece.bytes);
    }
    FileDigests digests;
    if (piece.kind == Piece::Kind::End)
      digests = {sha256->HexDigest(), md5 ? md5->HexDigest() : std::string()};
    const std::scoped_lock lock(mutex_);
    if (piece.kind == Piece::Kind::End) digests_.push_back(std::move(digests));
    ++hashed_;
    changed_.notify_all();
  }
}

}  // namespace kestrel::volume
