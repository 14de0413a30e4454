#include "volume/HashQueue.h"

#include <optional>

#include "imaging/Sha256.h"

namespace kestrel::volume {
namespace {

// Enough to keep the hashing thread busy across a pause of the run, small beside a run's memory.
constexpr std::size_t kQueueBound = 32u << 20;
// Hashed buffers kept for the next copies: as many as a full queue of the run's pieces holds.
constexpr std::size_t kSpareBuffers = 64;

}  // namespace

HashQueue::HashQueue() : thread_([this](std::stop_token stop) { Run(stop); }) {}

HashQueue::~HashQueue() {
  Digests();  // what was queued is hashed before the thread stops
  thread_.request_stop();
}

std::size_t HashQueue::BeginFile() {
  Push({Piece::Kind::Begin, {}});
  return begun_++;
}

// The copy goes into a buffer the thread has hashed already: a fresh one would cost a page fault
// for every page of it.
void HashQueue::Add(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  std::vector<std::uint8_t> copy;
  {
    const std::scoped_lock lock(mutex_);
    if (!spare_.empty()) {
      copy = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  copy.assign(bytes.begin(), bytes.end());
  Push({Piece::Kind::Bytes, std::move(copy)});
}

void HashQueue::EndFile() {
  Push({Piece::Kind::End, {}});
}

std::vector<std::string> HashQueue::Digests() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return digests_.size() == begun_ && queued_.empty(); });
  return digests_;
}

void HashQueue::Push(Piece piece) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queuedBytes_ < kQueueBound; });
  queuedBytes_ += piece.bytes.size();
  queued_.push_back(std::move(piece));
  changed_.notify_all();
}

// On the hashing thread.
void HashQueue::Run(std::stop_token stop) {
  std::optional<imaging::Sha256> hash;
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      if (!changed_.wait(lock, stop, [this] { return !queued_.empty(); })) return;
      piece = std::move(queued_.front());
      queued_.pop_front();
    }
    if (piece.kind == Piece::Kind::Begin) hash.emplace();
    if (piece.kind == Piece::Kind::Bytes) hash->Update(piece.bytes);
    const std::string digest = piece.kind == Piece::Kind::End ? hash->HexDigest() : "";
    const std::scoped_lock lock(mutex_);
    queuedBytes_ -= piece.bytes.size();
    if (piece.kind == Piece::Kind::End) digests_.push_back(digest);
    if (piece.kind == Piece::Kind::Bytes && spare_.size() < kSpareBuffers)
      spare_.push_back(std::move(piece.bytes));
    changed_.notify_all();
  }
}

}  // namespace kestrel::volume
