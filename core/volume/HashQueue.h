#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::volume {

// Takes the SHA-256 of the files a run writes on a thread of its own, so that hashing overlaps
// reading and writing instead of adding to them. The run hands over a copy of each piece it
// writes (copying costs a fraction of hashing) into a queue of bounded size, and collects every
// digest at the end.
class HashQueue {
 public:
  HashQueue();
  // Hashes what is queued, then stops the thread.
  ~HashQueue();
  HashQueue(const HashQueue&) = delete;
  HashQueue& operator=(const HashQueue&) = delete;

  // The files are numbered from 0 in the order begun; one is hashed at a time, so a file ends
  // before the next begins.
  std::size_t BeginFile();
  // Waits while the queue holds its bound.
  void Add(std::span<const std::uint8_t> bytes);
  void EndFile();

  // The digests of every file ended, by number, once each is hashed.
  std::vector<std::string> Digests();

 private:
  struct Piece {
    enum class Kind { Begin, Bytes, End } kind;
    std::vector<std::uint8_t> bytes;
  };

  void Push(Piece piece);
  void Run(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<Piece> queued_;
  std::size_t queuedBytes_ = 0;
  std::size_t begun_ = 0;
  std::vector<std::vector<std::uint8_t>> spare_;  // hashed, to be filled again
  std::vector<std::string> digests_;              // filed by the thread, in file order
  std::jthread thread_;  // last: it starts when everything it uses is there
};

}  // namespace kestrel::volume
