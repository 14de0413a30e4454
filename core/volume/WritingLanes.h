// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "disk/ReadBuffer.h"
#include "disk/platform/Platform.h"
#include "volume/FileData.h"

namespace kestrel::volume {

// What became of a file a lane wrote.
struct LaneOutcome {
  std::uint64_t bytesWritten = 0;
  std::string writeError;  // why a write was refused; the rest of the file was not written
  bool stored = false;     // Close() said the file is stored
  std::string closeError;  // the file's error() when it is not
};

// Writes files on threads of their own, several files at once, while the caller reads their pieces
// on its thread, one read at a time, in the order it chooses (a disk's head should not go back and
// forth between files): the kernel's copies into two files then run on two processors. Writing
// into a fast destination is most of a recovery's time, and one file's writes cannot be spread.
//
// The caller copies into the file Begin() gives, with the lanes as the copy's buffers; a file's
// pieces are written in order on one lane, and Close() only queues the closing. Each write's bytes
// stay as they are until the file's next write returns, as an upload needs; bytes from other
// buffers than the lanes' must stay until the file is finished.
class WritingLanes : public PieceBuffers {
 public:
  class File;

  explicit WritingLanes(std::size_t lanes);
  ~WritingLanes() override;
  WritingLanes(const WritingLanes&) = delete;
  WritingLanes& operator=(const WritingLanes&) = delete;

  // The file, to be written on the lane with the least work queued. Waits while too many files
  // are open.
  std::shared_ptr<File> Begin(std::unique_ptr<platform::WritableFile> file);
  // Waits for a buffer the lanes are done with.
  std::span<std::uint8_t> Next(std::size_t size) override;
  std::size_t Count() const { return lanes_.size(); }
  // Whether the file's lane can take another piece without the next buffer waiting for it.
  bool HasRoom(const File& file);
  // Waits until one of the files' lanes has room.
  void WaitForRoom(std::span<const File* const> files);
  // Waits until the file is closed, and says what became of it.
  LaneOutcome Finish(const File& file);
  bool Finished(const File& file);

 private:
  struct Piece {
    std::shared_ptr<File> file;
    std::span<const std::uint8_t> bytes;
    int buffer = -1;     // the lanes' buffer holding them, if any
    bool close = false;  // no bytes: close the file
  };
  struct Lane {
    std::deque<Piece> queue;
    std::size_t pending = 0;  // queued, and the piece being written
    std::condition_variable queued;
    std::thread thread;
  };

  void Queue(const File& file, Piece piece);
  void Run(Lane& lane);
  void Write(Piece& piece);
  void Close(File& file);
  void Release(int& buffer);             // under mutex_
  bool RoomFor(const File& file) const;  // under mutex_
  int BufferOf(std::span<const std::uint8_t> bytes) const;

  std::vector<disk::ReadBuffer> buffers_;
  std::vector<bool> free_;
  std::size_t openFiles_ = 0;
  std::size_t lastLane_ = 0;
  std::mutex mutex_;
  std::condition_variable released_;  // a buffer, or a file, for the caller
  bool quitting_ = false;
  std::vector<Lane> lanes_;  // last: their threads start once the rest is in place
};

// A file handed to a lane: writes and the closing are queued there.
class WritingLanes::File : public platform::WritableFile,
                           public std::enable_shared_from_this<WritingLanes::File> {
 public:
  File(WritingLanes& lanes, std::size_t lane, std::unique_ptr<platform::WritableFile> file)
      : lanes_(lanes), lane_(lane), file_(std::move(file)) {}

  // False once an earlier write was refused, with the reason in error().
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool Close() override;
  const std::string& error() const override { return outcome_.writeError; }

 private:
  friend class WritingLanes;

  WritingLanes& lanes_;
  std::size_t lane_;
  std::unique_ptr<platform::WritableFile> file_;  // used on the lane's thread
  // Set on the lane's thread under the lanes' mutex; the writeError before refused_.
  int held_ = -1;  // the buffer of the last write, which the file may still be reading
  bool refused_ = false;
  bool closed_ = false;
  LaneOutcome outcome_;
};

}  // namespace kestrel::volume
