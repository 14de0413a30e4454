// SPDX-License-Identifier: Apache-2.0
#include "volume/HashQueue.h"

#include <optional>

#include "imaging/Digest.h"

namespace kestrel::volume {

struct HashQueue::FileHash {
  explicit FileHash(bool md5Too) {
    if (md5Too) md5.emplace(imaging::DigestKind::Md5);
  }

  void Update(std::span<const std::uint8_t> bytes) {
    sha256.Update(bytes);
    if (md5) md5->Update(bytes);
  }

  FileDigests Finish() { return {sha256.HexDigest(), md5 ? md5->HexDigest() : std::string()}; }

  imaging::Digest sha256{imaging::DigestKind::Sha256};
  std::optional<imaging::Digest> md5;
};

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

std::size_t HashQueue::BeginFile(std::uint64_t size) {
  if (size <= kOnePiece)
    here_ = std::make_unique<FileHash>(md5Too_);
  else
    Push({Piece::Kind::Begin, {}}, 1);
  return begun_++;
}

void HashQueue::Add(std::span<const std::uint8_t> bytes) {
  if (here_)
    here_->Update(bytes);
  else if (!bytes.empty())
    Push({Piece::Kind::Bytes, bytes}, 1);
}

// The file before has been hashed whole when this one began: its digests are filed in order.
void HashQueue::EndFile() {
  if (!here_) return Push({Piece::Kind::End, {}}, 0);
  FileDigests digests = here_->Finish();
  here_.reset();
  const std::scoped_lock lock(mutex_);
  digests_.push_back(std::move(digests));
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
  std::optional<FileHash> file;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return closing_ || !queued_.empty(); });
      if (queued_.empty()) return;
      piece = queued_.front();
      queued_.pop_front();
    }
    if (piece.kind == Piece::Kind::Begin) file.emplace(md5Too_);
    if (piece.kind == Piece::Kind::Bytes) file->Update(piece.bytes);
    FileDigests digests;
    if (piece.kind == Piece::Kind::End) digests = file->Finish();
    const std::scoped_lock lock(mutex_);
    if (piece.kind == Piece::Kind::End) digests_.push_back(std::move(digests));
    ++hashed_;
    changed_.notify_all();
  }
}

}  // namespace kestrel::volume
