// SPDX-License-Identifier: Apache-2.0
#include "imaging/ChunkRing.h"

#include <algorithm>

#include "disk/NssLayout.h"

namespace kestrel::imaging {

std::span<const std::uint8_t> Chunk::Bytes() const {
  return buffer.first(std::size_t{sectors} * disk::layout::kSectorSize);
}

ChunkRing::ChunkRing(std::size_t slots, std::size_t bytesPerSlot, std::size_t consumers)
    : memory_(disk::ReadBuffer::RoundToPage(bytesPerSlot) * slots), chunks_(slots), released_(consumers, 0) {
  const std::size_t stride = disk::ReadBuffer::RoundToPage(bytesPerSlot);
  for (std::size_t i = 0; i < slots; ++i)
    chunks_[i].buffer = {memory_.data() + i * stride, bytesPerSlot};
}

std::uint64_t ChunkRing::SlowestConsumer() const {
  return released_.empty() ? published_ : *std::min_element(released_.begin(), released_.end());
}

Chunk* ChunkRing::NextToFill() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return aborted_ || published_ - SlowestConsumer() < chunks_.size(); });
  if (aborted_) return nullptr;
  return &chunks_[published_ % chunks_.size()];
}

void ChunkRing::Publish() {
  {
    const std::lock_guard lock(mutex_);
    ++published_;
  }
  changed_.notify_all();
}

void ChunkRing::Close() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

const Chunk* ChunkRing::NextToConsume(std::size_t consumer) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return aborted_ || closed_ || released_[consumer] < published_; });
  if (aborted_ || released_[consumer] == published_) return nullptr;
  return &chunks_[released_[consumer] % chunks_.size()];
}

void ChunkRing::Release(std::size_t consumer) {
  {
    const std::lock_guard lock(mutex_);
    ++released_[consumer];
  }
  changed_.notify_all();
}

void ChunkRing::Abort() {
  {
    const std::lock_guard lock(mutex_);
    aborted_ = true;
  }
  changed_.notify_all();
}

}  // namespace kestrel::imaging
