// SPDX-License-Identifier: Apache-2.0
#include "volume/HashQueue.h"

#include <algorithm>
#include <optional>
#include <utility>

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

HashQueue::HashQueue(bool md5Too) : md5Too_(md5Too) {
  for (std::size_t b = kBuffers; b-- > 0;) free_.push_back(b);
  for (Lane& lane : lanes_) lane.thread = std::thread([this, &lane] { Run(lane); });
}

HashQueue::~HashQueue() {
  Digests();  // what was handed over is hashed before the threads stop
  {
    const std::scoped_lock lock(mutex_);
    closing_ = true;
  }
  for (Lane& lane : lanes_) {
    lane.queuedMore.notify_one();
    lane.thread.join();
  }
}

std::size_t HashQueue::BeginFile(bool onePiece) {
  std::unique_lock lock(mutex_);
  file_ = digests_.size();
  digests_.emplace_back();
  Lane& quieter =
      *std::ranges::min_element(lanes_, {}, [](const Lane& l) { return l.queued.size(); });
  const bool lanesBusy = !quieter.queued.empty();
  lock.unlock();
  lane_ = nullptr;
  if (onePiece && lanesBusy) {
    here_ = std::make_unique<FileHash>(md5Too_);
  } else {
    lane_ = &quieter;
    Push(quieter, {Piece::Kind::Begin, {}, file_});
  }
  return file_;
}

std::span<std::uint8_t> HashQueue::Next(std::size_t size) {
  std::unique_lock lock(mutex_);
  Free(std::exchange(lent_, kNoBuffer));
  freed_.wait(lock, [this] { return !free_.empty(); });
  lent_ = free_.back();
  free_.pop_back();
  lock.unlock();
  disk::ReadBuffer& buffer = buffers_[lent_];
  if (buffer.span().size() < size) buffer = disk::ReadBuffer(size);
  return buffer.span().first(size);
}

void HashQueue::Add(std::span<const std::uint8_t> bytes) {
  const std::size_t buffer = std::exchange(lent_, kNoBuffer);
  if (here_) {
    here_->Update(bytes);
    const std::scoped_lock lock(mutex_);
    return Free(buffer);
  }
  Push(*lane_, {Piece::Kind::Bytes, bytes, 0, buffer});
  if (buffer != kNoBuffer) return;
  std::unique_lock lock(mutex_);  // the caller's own bytes may change once Add returns
  WaitUntilHashed(lock);
}

void HashQueue::EndFile() {
  if (!here_) return Push(*lane_, {Piece::Kind::End, {}});
  FileDigests digests = here_->Finish();
  here_.reset();
  File(file_, std::move(digests));
}

std::vector<HashQueue::FileDigests> HashQueue::Digests() {
  std::unique_lock lock(mutex_);
  WaitUntilHashed(lock);
  return digests_;
}

void HashQueue::WaitUntilHashed(std::unique_lock<std::mutex>& lock) {
  freed_.wait(lock, [this] {
    return std::ranges::all_of(lanes_, [](const Lane& l) { return l.queued.empty(); });
  });
}

void HashQueue::Free(std::size_t buffer) {
  if (buffer != kNoBuffer) free_.push_back(buffer);
}

void HashQueue::Push(Lane& lane, Piece piece) {
  const std::scoped_lock lock(mutex_);
  lane.queued.push_back(piece);
  lane.queuedMore.notify_one();
}

void HashQueue::File(std::size_t file, FileDigests digests) {
  const std::scoped_lock lock(mutex_);
  digests_[file] = std::move(digests);
}

// On a lane's thread. It ends on a flag rather than a stop token: see app/StopAwareWait.h.
void HashQueue::Run(Lane& lane) {
  std::optional<FileHash> hash;
  std::size_t file = 0;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      lane.queuedMore.wait(lock, [this, &lane] { return closing_ || !lane.queued.empty(); });
      if (lane.queued.empty()) return;
      piece = lane.queued.front();
    }
    if (piece.kind == Piece::Kind::Begin) {
      hash.emplace(md5Too_);
      file = piece.file;
    }
    if (piece.kind == Piece::Kind::Bytes) hash->Update(piece.bytes);
    if (piece.kind == Piece::Kind::End) File(file, hash->Finish());
    const std::scoped_lock lock(mutex_);
    lane.queued.pop_front();
    Free(piece.buffer);
    freed_.notify_one();
  }
}

}  // namespace kestrel::volume
