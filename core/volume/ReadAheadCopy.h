// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "volume/FileData.h"

namespace kestrel::volume {

// Copies as CopyFileData does, but reads each piece after a file's first on a thread of its own
// while the piece before it is written: the kernel's copy out of the source and its copy into the
// destination then run on two processors. Reads still come one at a time, in file order. For
// outputs done with a write's bytes once the next write returns; one copy at a time.
class ReadAheadCopy {
 public:
  ReadAheadCopy();
  ~ReadAheadCopy();
  ReadAheadCopy(const ReadAheadCopy&) = delete;
  ReadAheadCopy& operator=(const ReadAheadCopy&) = delete;

  CopyOutcome Copy(const disk::DiskReader& source, const FileDataLayout& layout,
                   platform::WritableFile& output,
                   const std::function<bool(std::uint64_t bytesWritten)>& between);

 private:
  struct Read {
    const disk::DiskReader* source;
    const FileDataLayout* layout;
    std::uint64_t offset;
    std::span<std::uint8_t> piece;
  };

  // A buffer for the next piece of a file with `remaining` bytes still to copy.
  std::span<std::uint8_t> NextBuffer(std::uint64_t remaining);
  std::span<std::uint8_t> Start(Read read);  // the piece the thread is to read into
  std::uint64_t Finish();                    // waits for that read; its unreadable blocks
  void Run();

  // Three in turn: the piece being read, the one being written, and the one before it, which
  // the output may use until the write after it returns.
  BuffersInTurn<3> buffers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Read> pending_;  // handed over, not yet taken up by the thread
  bool reading_ = false;         // handed over, not yet read
  std::uint64_t unreadableBlocks_ = 0;
  bool quitting_ = false;
  std::thread thread_;  // last: it starts once the rest is in place
};

}  // namespace kestrel::volume
