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

namespace kestrel::volume {

// Takes the SHA-256 (and, when asked, the MD5) of the files a run writes on a thread of its own, so
// that hashing overlaps reading and writing instead of adding to them. SHA-256 is slower than a
// copy from the page cache: the run goes on ahead by up to kBuffers pieces, into the next files
// too, and a file of one piece is hashed where it is written while the thread is busy, so that
// both cores hash. Nothing is copied: the run reads every piece into the next of kBuffers buffers
// in turn, and Add returns once the buffer the next piece is read into holds none still to hash.
class HashQueue {
 public:
  struct FileDigests {
    std::string sha256;
    std::string md5;  // "" unless asked for
    bool operator==(const FileDigests&) const = default;
  };

  static constexpr std::size_t kBuffers = 16;

  explicit HashQueue(bool md5Too = false);
  // Hashes what was handed over, then stops the thread.
  ~HashQueue();
  HashQueue(const HashQueue&) = delete;
  HashQueue& operator=(const HashQueue&) = delete;

  // The files are numbered from 0 in the order begun; a file ends before the next begins.
  std::size_t BeginFile(bool onePiece);
  // For every piece read, in the order read. Returns once the piece kBuffers - 1 before this one,
  // and every one before it, is hashed.
  void Add(std::span<const std::uint8_t> bytes);
  void EndFile();
  // Returns once every piece handed over is hashed: for a run that read into a buffer and, its
  // write failing, never handed the piece over, so that the buffers' turn is no longer kept.
  void Settle();

  // The digests of every file ended, by number.
  std::vector<FileDigests> Digests();

 private:
  struct Piece {
    enum class Kind { Begin, Bytes, End } kind;
    std::span<const std::uint8_t> bytes;
    std::size_t file = 0;  // for Begin
    std::size_t read = 0;  // the number of the piece read, for Bytes; no less for the others
  };

  struct FileHash;  // the digests of one file under way

  void Push(Piece piece);
  void File(std::size_t file, FileDigests digests);
  void Run();

  std::mutex mutex_;
  std::condition_variable queuedMore_;
  std::condition_variable hashedMore_;
  std::deque<Piece> queued_;          // the front one stays until it is hashed
  std::vector<FileDigests> digests_;  // by file number
  const bool md5Too_;
  std::size_t read_ = 0;            // pieces read
  std::size_t file_ = 0;            // the file under way
  std::unique_ptr<FileHash> here_;  // its hash, when it is hashed where it is written
  bool closing_ = false;
  std::thread thread_;  // last: it starts when everything it uses is there
};

}  // namespace kestrel::volume
