// SPDX-License-Identifier: Apache-2.0
#include "volume/HashQueue.h"

#include <optional>

#include "imaging/Sha256.h"

namespace kestrel::volume {

HashQueue::HashQueue() : thread_([this] { Run(); }) {}

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

std::vector<std::string> HashQueue::Digests() {
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
  std::optional<imaging::Sha256> hash;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return closing_ || !queued_.empty(); });
      if (queued_.empty()) return;
      piece = queued_.front();
      queued_.pop_front();
    }
    if (piece.kind == Piece::Kind::Begin) hash.emplace();
    if (piece.kind == Piece::Kind::Bytes) hash->Update(piece.bytes);
    const std::string digest = piece.kind == Piece::Kind::End ? hash->HexDigest() : "";
    const std::scoped_lock lock(mutex_);
    if (piece.kind == Piece::Kind::End) digests_.push_back(digest);
    ++hashed_;
    changed_.notify_all();
  }
}

}  // namespace kestrel::volume
