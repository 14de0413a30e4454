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
  Settle();
  {
    const std::scoped_lock lock(mutex_);
    closing_ = true;
  }
  queuedMore_.notify_one();
  thread_.join();
}

std::size_t HashQueue::BeginFile(bool onePiece) {
  std::unique_lock lock(mutex_);
  file_ = digests_.size();
  digests_.emplace_back();
  const bool threadBusy = !queued_.empty();
  lock.unlock();
  if (onePiece && threadBusy)
    here_ = std::make_unique<FileHash>(md5Too_);
  else
    Push({Piece::Kind::Begin, {}, file_, read_});
  return file_;
}

void HashQueue::Add(std::span<const std::uint8_t> bytes) {
  const std::size_t read = read_++;
  if (here_)
    here_->Update(bytes);
  else
    Push({Piece::Kind::Bytes, bytes, 0, read});
  std::unique_lock lock(mutex_);
  hashedMore_.wait(lock,
                   [this] { return queued_.empty() || queued_.front().read + kBuffers > read_; });
}

void HashQueue::EndFile() {
  if (!here_) return Push({Piece::Kind::End, {}, 0, read_});
  FileDigests digests = here_->Finish();
  here_.reset();
  File(file_, std::move(digests));
}

void HashQueue::Settle() {
  std::unique_lock lock(mutex_);
  hashedMore_.wait(lock, [this] { return queued_.empty(); });
}

std::vector<HashQueue::FileDigests> HashQueue::Digests() {
  Settle();
  const std::scoped_lock lock(mutex_);
  return digests_;
}

void HashQueue::Push(Piece piece) {
  const std::scoped_lock lock(mutex_);
  queued_.push_back(piece);
  queuedMore_.notify_one();
}

void HashQueue::File(std::size_t file, FileDigests digests) {
  const std::scoped_lock lock(mutex_);
  digests_[file] = std::move(digests);
}

// On the hashing thread. It ends on a flag rather than a stop token: see app/StopAwareWait.h.
void HashQueue::Run() {
  std::optional<FileHash> hash;
  std::size_t file = 0;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      queuedMore_.wait(lock, [this] { return closing_ || !queued_.empty(); });
      if (queued_.empty()) return;
      piece = queued_.front();
    }
    if (piece.kind == Piece::Kind::Begin) {
      hash.emplace(md5Too_);
      file = piece.file;
    }
    if (piece.kind == Piece::Kind::Bytes) hash->Update(piece.bytes);
    if (piece.kind == Piece::Kind::End) File(file, hash->Finish());
    const std::scoped_lock lock(mutex_);
    queued_.pop_front();
    hashedMore_.notify_one();
  }
}

}  // namespace kestrel::volume
