// SPDX-License-Identifier: Apache-2.0
#include "volume/WritingLanes.h"

#include <algorithm>
#include <utility>

namespace kestrel::volume {
namespace {

// Enough for the caller to read on while every lane writes a piece and holds the one before.
constexpr std::size_t kBuffersPerLane = 4;
// Small files are made faster than two lanes write them; each waiting one holds a descriptor.
constexpr std::size_t kMostOpenFiles = 64;

}  // namespace

WritingLanes::WritingLanes(std::size_t lanes)
    : buffers_(lanes * kBuffersPerLane), free_(buffers_.size(), true), lanes_(lanes) {
  for (Lane& lane : lanes_) lane.thread = std::thread([this, &lane] { Run(lane); });
}

// The lanes write what is queued before they end, so that every file begun is closed.
WritingLanes::~WritingLanes() {
  {
    const std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  for (Lane& lane : lanes_) lane.queued.notify_one();
  for (Lane& lane : lanes_) lane.thread.join();
}

std::shared_ptr<WritingLanes::File> WritingLanes::Begin(
    std::unique_ptr<platform::WritableFile> file) {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [this] { return openFiles_ < kMostOpenFiles; });
  openFiles_++;
  // The least busy lane; of lanes as busy, the next in turn, so that idle lanes share the files.
  std::size_t chosen = (lastLane_ + 1) % lanes_.size();
  for (std::size_t step = 2; step <= lanes_.size(); ++step) {
    const std::size_t lane = (lastLane_ + step) % lanes_.size();
    if (lanes_[lane].pending < lanes_[chosen].pending) chosen = lane;
  }
  lastLane_ = chosen;
  return std::make_shared<File>(*this, chosen, std::move(file));
}

std::span<std::uint8_t> WritingLanes::Next(std::size_t size) {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [this] { return std::ranges::find(free_, true) != free_.end(); });
  const auto index = static_cast<std::size_t>(std::ranges::find(free_, true) - free_.begin());
  free_[index] = false;
  disk::ReadBuffer& buffer = buffers_[index];
  if (buffer.span().size() < size) buffer = disk::ReadBuffer(kCopyPieceSize);
  return buffer.span().first(size);
}

bool WritingLanes::HasRoom(const File& file) {
  const std::lock_guard lock(mutex_);
  return RoomFor(file);
}

void WritingLanes::WaitForRoom(std::span<const File* const> files) {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [&] {
    return std::ranges::any_of(files, [this](const File* file) { return RoomFor(*file); });
  });
}

// A lane with room holds at most kBuffersPerLane buffers with the next piece: those queued, the
// one being written and the one its file may still be reading.
bool WritingLanes::RoomFor(const File& file) const {
  return lanes_[file.lane_].pending + 1 < kBuffersPerLane;
}

LaneOutcome WritingLanes::Finish(const File& file) {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [&file] { return file.closed_; });
  return file.outcome_;
}

bool WritingLanes::Finished(const File& file) {
  const std::lock_guard lock(mutex_);
  return file.closed_;
}

void WritingLanes::Queue(const File& file, Piece piece) {
  Lane& lane = lanes_[file.lane_];
  lane.queue.push_back(std::move(piece));
  lane.pending++;
  lane.queued.notify_one();
}

void WritingLanes::Run(Lane& lane) {
  std::unique_lock lock(mutex_);
  for (;;) {
    lane.queued.wait(lock, [this, &lane] { return quitting_ || !lane.queue.empty(); });
    if (lane.queue.empty()) return;
    Piece piece = std::move(lane.queue.front());
    lane.queue.pop_front();
    lock.unlock();
    if (piece.close)
      Close(*piece.file);
    else
      Write(piece);
    piece.file.reset();  // the caller may hold the last reference
    lock.lock();
    lane.pending--;
    released_.notify_one();
  }
}

// On the lane's thread, which alone writes to the file and sets its state.
void WritingLanes::Write(Piece& piece) {
  File& file = *piece.file;
  const bool written = !file.refused_ && file.file_->Write(piece.bytes);
  std::string error = written || file.refused_ ? std::string() : file.file_->error();
  const std::lock_guard lock(mutex_);
  if (written) {
    Release(file.held_);
    file.held_ = piece.buffer;
    file.outcome_.bytesWritten += piece.bytes.size();
  } else {
    Release(piece.buffer);
    if (!file.refused_) file.outcome_.writeError = std::move(error);
    file.refused_ = true;
  }
}

void WritingLanes::Close(File& file) {
  const bool stored = file.file_->Close();
  std::string error = stored ? std::string() : file.file_->error();
  file.file_.reset();
  const std::lock_guard lock(mutex_);
  Release(file.held_);
  file.outcome_.stored = stored;
  file.outcome_.closeError = std::move(error);
  file.closed_ = true;
  openFiles_--;
  released_.notify_one();
}

void WritingLanes::Release(int& buffer) {
  if (buffer < 0) return;
  free_[static_cast<std::size_t>(buffer)] = true;
  buffer = -1;
  released_.notify_one();
}

int WritingLanes::BufferOf(std::span<const std::uint8_t> bytes) const {
  for (std::size_t i = 0; i < buffers_.size(); ++i) {
    const auto span = buffers_[i].span();
    if (bytes.data() >= span.data() && bytes.data() < span.data() + span.size())
      return static_cast<int>(i);
  }
  return -1;
}

bool WritingLanes::File::Write(std::span<const std::uint8_t> bytes) {
  const std::lock_guard lock(lanes_.mutex_);
  int buffer = lanes_.BufferOf(bytes);
  if (refused_) {
    lanes_.Release(buffer);
    return false;
  }
  lanes_.Queue(*this, {shared_from_this(), bytes, buffer});
  return true;
}

bool WritingLanes::File::Close() {
  const std::lock_guard lock(lanes_.mutex_);
  lanes_.Queue(*this, {shared_from_this(), {}, -1, true});
  return true;
}

}  // namespace kestrel::volume
