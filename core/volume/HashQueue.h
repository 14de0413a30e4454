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
// that hashing one piece overlaps reading and writing the next instead of adding to them. Nothing
// is copied: the run keeps each piece's bytes as they are until it hands over the next one (it
// reads into two buffers in turn), and Add waits for the piece before. A file read in one piece is
// hashed where it is written: its end waits for its hash anyway, and handing it over would only
// add two thread switches to every small file.
class HashQueue {
 public:
  struct FileDigests {
    std::string sha256;
    std::string md5;  // "" unless asked for
    bool operator==(const FileDigests&) const = default;
  };

  explicit HashQueue(bool md5Too = false);
  // Hashes what was handed over, then stops the thread.
  ~HashQueue();
  HashQueue(const HashQueue&) = delete;
  HashQueue& operator=(const HashQueue&) = delete;

  // Files up to this size are read in one piece, and hashed by the thread that writes them.
  static constexpr std::uint64_t kOnePiece = 1 << 20;

  // The files are numbered from 0 in the order begun; a file ends before the next begins. `size`
  // is the number of bytes the file will be given.
  std::size_t BeginFile(std::uint64_t size);
  // Returns once every piece before this one is hashed: their bytes may change from then on.
  void Add(std::span<const std::uint8_t> bytes);
  // Returns once the whole file is hashed.
  void EndFile();

  // The digests of every file ended, by number.
  std::vector<FileDigests> Digests();

 private:
  struct Piece {
    enum class Kind { Begin, Bytes, End } kind;
    std::span<const std::uint8_t> bytes;
  };

  struct FileHash;  // the digests of one file under way

  // Hands over the piece, and waits until at most `pending` pieces are left to hash.
  void Push(Piece piece, std::size_t pending);
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> queued_;
  std::size_t pushed_ = 0;  // pieces handed over
  std::size_t hashed_ = 0;  // of those, the ones done
  std::size_t begun_ = 0;
  std::vector<FileDigests> digests_;  // filed by the thread, in file order
  const bool md5Too_;
  std::unique_ptr<FileHash> here_;  // the file under way when it is hashed where it is written
  bool closing_ = false;
  std::thread thread_;  // last: it starts when everything it uses is there
};

}  // namespace kestrel::volume
