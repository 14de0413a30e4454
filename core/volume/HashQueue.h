// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
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
#include "volume/FileData.h"

namespace kestrel::volume {

// Takes the SHA-256 (and, when asked, the MD5) of the files a run writes on threads of its own,
// so that hashing overlaps reading and writing instead of adding to them. SHA-256 is slower than a
// copy from the page cache and one file's hash cannot be split, so two files are hashed at once,
// each on a lane of its own, and a file of one piece is hashed where it is written while both
// lanes are busy. Nothing is copied: the run reads every piece into a buffer of the queue's, which
// comes back to it once its piece is hashed; up to kBuffers pieces may wait.
class HashQueue : public PieceBuffers {
 public:
  struct FileDigests {
    std::string sha256;
    std::string md5;  // "" unless asked for
    bool operator==(const FileDigests&) const = default;
  };

  static constexpr std::size_t kBuffers = 32;

  explicit HashQueue(bool md5Too = false);
  // Hashes what was handed over, then stops the threads.
  ~HashQueue() override;
  HashQueue(const HashQueue&) = delete;
  HashQueue& operator=(const HashQueue&) = delete;

  // The files are numbered from 0 in the order begun; a file ends before the next begins. A file
  // read in one piece is hashed here when both lanes are busy.
  std::size_t BeginFile(bool onePiece);
  // A free buffer to read the next piece into; waits for one when every buffer holds a piece still
  // to be hashed. The one handed out before and never given to Add is free again.
  std::span<std::uint8_t> Next(std::size_t size) override;
  // The next bytes of the file: read into the buffer Next last gave, which comes back once they are
  // hashed; or the caller's own, and then Add returns once they are hashed.
  void Add(std::span<const std::uint8_t> bytes);
  void EndFile();

  // The digests of every file ended, by number, once every piece is hashed.
  std::vector<FileDigests> Digests();

 private:
  static constexpr std::size_t kNoBuffer = ~std::size_t{0};

  struct Piece {
    enum class Kind { Begin, Bytes, End } kind;
    std::span<const std::uint8_t> bytes;
    std::size_t file = 0;            // for Begin
    std::size_t buffer = kNoBuffer;  // for Bytes in a buffer of the queue's
  };

  struct Lane {
    std::deque<Piece> queued;
    std::condition_variable queuedMore;
    std::thread thread;
  };

  struct FileHash;  // the digests of one file under way

  void Push(Lane& lane, Piece piece);
  void Free(std::size_t buffer);  // with the lock held
  // Returns once the lanes have hashed every piece handed to them.
  void WaitUntilHashed(std::unique_lock<std::mutex>& lock);
  void File(std::size_t file, FileDigests digests);
  void Run(Lane& lane);

  std::mutex mutex_;
  std::condition_variable freed_;
  std::array<Lane, 2> lanes_;
  std::array<disk::ReadBuffer, kBuffers> buffers_;
  std::vector<std::size_t> free_;     // buffers holding no piece to hash
  std::size_t lent_ = kNoBuffer;      // the buffer Next last gave, until Add takes it
  std::vector<FileDigests> digests_;  // by file number
  const bool md5Too_;
  // The file under way, and where it is hashed: on a lane, or here, where it is written.
  std::size_t file_ = 0;
  Lane* lane_ = nullptr;
  std::unique_ptr<FileHash> here_;
  bool closing_ = false;
};

}  // namespace kestrel::volume
