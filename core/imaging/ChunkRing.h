// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "disk/ReadBuffer.h"

namespace kestrel::imaging {

// One chunk of a copy, as the reader hands it on.
struct Chunk {
  std::uint64_t firstSector = 0;  // on the source
  std::uint32_t sectors = 0;
  std::vector<std::uint32_t> unreadable;  // sectors of the chunk that could not be read
  std::span<std::uint8_t> buffer;         // room for the largest chunk; sectors * 512 used

  std::span<const std::uint8_t> Bytes() const;
};

// A fixed ring of chunk buffers that lets reading run ahead of writing (and hashing): one producer
// fills the chunks in order, and every consumer takes every chunk in the same order, each on its
// own thread. A buffer is filled again only once every consumer is done with it. Any side may
// abort the ring; every waiting call then returns at once.
class ChunkRing {
 public:
  ChunkRing(std::size_t slots, std::size_t bytesPerSlot, std::size_t consumers);
  ChunkRing(const ChunkRing&) = delete;
  ChunkRing& operator=(const ChunkRing&) = delete;

  // Producer: waits for a free chunk; nullptr once the ring is aborted.
  Chunk* NextToFill();
  // Producer: hands the chunk from NextToFill to the consumers.
  void Publish();
  // Producer: there will be no more chunks.
  void Close();

  // Consumer: waits for the next chunk; nullptr when the ring is closed and every chunk taken, or
  // aborted.
  const Chunk* NextToConsume(std::size_t consumer);
  // Consumer: done with the chunk from NextToConsume.
  void Release(std::size_t consumer);

  void Abort();

 private:
  std::uint64_t SlowestConsumer() const;

  disk::ReadBuffer memory_;  // every slot starts on a page
  std::vector<Chunk> chunks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t published_ = 0;
  std::vector<std::uint64_t> released_;  // per consumer
  bool closed_ = false;
  bool aborted_ = false;
};

}  // namespace kestrel::imaging
