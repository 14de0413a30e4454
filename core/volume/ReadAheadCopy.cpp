// SPDX-License-Identifier: Apache-2.0
#include "volume/ReadAheadCopy.h"

#include <algorithm>
#include <utility>

namespace kestrel::volume {

// The thread ends on a flag rather than a stop token: see app/StopAwareWait.h.
ReadAheadCopy::ReadAheadCopy() : thread_([this] { Run(); }) {}

ReadAheadCopy::~ReadAheadCopy() {
  {
    const std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

CopyOutcome ReadAheadCopy::Copy(const disk::DiskReader& source, const FileDataLayout& layout,
                                platform::WritableFile& output,
                                const std::function<bool(std::uint64_t)>& between) {
  CopyOutcome outcome;
  const std::uint64_t total = layout.PlacedBytes();
  std::span<std::uint8_t> ahead;  // the next piece, being read on the thread
  while (outcome.bytesWritten < total) {
    if (!between(outcome.bytesWritten)) {
      outcome.stopped = true;
      break;
    }
    std::span<std::uint8_t> chunk = std::exchange(ahead, {});
    if (chunk.empty()) {  // a file's first piece is read here: handing it over costs more
      chunk = NextBuffer(total - outcome.bytesWritten);
      outcome.unreadableBlocks +=
          ReadFileRange(source, layout, outcome.bytesWritten, chunk).unreadableBlocks;
    } else {
      outcome.unreadableBlocks += Finish();
    }
    const std::uint64_t after = outcome.bytesWritten + chunk.size();
    if (after < total) ahead = Start({&source, &layout, after, NextBuffer(total - after)});
    if (!output.Write(chunk)) {
      outcome.writeError = output.error();
      break;
    }
    outcome.bytesWritten = after;
  }
  if (!ahead.empty()) Finish();  // a stop or a failed write leaves the next piece being read
  return outcome;
}

std::span<std::uint8_t> ReadAheadCopy::NextBuffer(std::uint64_t remaining) {
  return buffers_.Next(std::min<std::uint64_t>(kCopyPieceSize, remaining));
}

std::span<std::uint8_t> ReadAheadCopy::Start(Read read) {
  {
    const std::lock_guard lock(mutex_);
    pending_ = read;
    reading_ = true;
  }
  changed_.notify_all();
  return read.piece;
}

std::uint64_t ReadAheadCopy::Finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !reading_; });
  return unreadableBlocks_;
}

void ReadAheadCopy::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quitting_ || pending_; });
    if (quitting_) return;
    const Read read = *std::exchange(pending_, std::nullopt);
    lock.unlock();
    const std::uint64_t unreadable =
        ReadFileRange(*read.source, *read.layout, read.offset, read.piece).unreadableBlocks;
    lock.lock();
    unreadableBlocks_ = unreadable;
    reading_ = false;
    changed_.notify_all();
  }
}

}  // namespace kestrel::volume
