// SPDX-License-Identifier: Apache-2.0
#include "volume/LaneCopies.h"

#include <algorithm>
#include <utility>

namespace kestrel::volume {

// A file handed to a lane: read here a piece at a time, written there.
struct LaneCopies::InLane {
  InLane(std::size_t id, std::string target, FileDataLayout layout,
         std::shared_ptr<WritingLanes::File> file, const disk::DiskReader& source,
         WritingLanes& lanes)
      : id(id),
        target(std::move(target)),
        layout(std::move(layout)),
        file(std::move(file)),
        copy(source, this->layout, *this->file, lanes) {}

  std::size_t id;
  std::string target;
  FileDataLayout layout;
  std::shared_ptr<WritingLanes::File> file;
  PieceCopy copy;
};

LaneCopies::LaneCopies(const disk::DiskReader& source, std::size_t lanes, Between between)
    : source_(source), between_(std::move(between)), lanes_(lanes) {}

LaneCopies::~LaneCopies() = default;

void LaneCopies::Add(std::size_t id, std::string target, FileDataLayout layout,
                     std::unique_ptr<platform::WritableFile> file) {
  inLanes_.push_back(std::make_unique<InLane>(id, std::move(target), std::move(layout),
                                              lanes_.Begin(std::move(file)), source_, lanes_));
  reading_.push_back(inLanes_.back().get());
  ReadInTurns(false);
}

std::vector<CopiedFile> LaneCopies::TakeClosed(bool all) {
  if (all) ReadInTurns(true);
  std::vector<CopiedFile> closed;
  while (!inLanes_.empty() && (all || lanes_.Finished(*inLanes_.front()->file))) {
    InLane& done = *inLanes_.front();
    LaneOutcome outcome = lanes_.Finish(*done.file);
    CopyOutcome copied = done.copy.Outcome();
    copied.bytesWritten = outcome.bytesWritten;
    copied.writeError = std::move(outcome.writeError);
    closed.push_back({done.id, std::move(done.target), std::move(done.layout), std::move(copied),
                      outcome.stored, std::move(outcome.closeError)});
    inLanes_.pop_front();
  }
  return closed;
}

// Returns once a file is read whole, or, unless `toTheEnd`, when no file being read can go on and
// a lane is free for another; with `toTheEnd`, once every file is read whole.
void LaneCopies::ReadInTurns(bool toTheEnd) {
  while (!reading_.empty()) {
    const auto next = std::ranges::find_if(
        reading_, [this](const InLane* file) { return lanes_.HasRoom(*file->file); });
    if (next == reading_.end()) {
      if (!toTheEnd && reading_.size() < lanes_.Count()) return;
      WaitForRoom();
      continue;
    }
    ReadPiece(**next);
    if (!(*next)->copy.Done()) continue;
    (*next)->file->Close();
    readWhole_ += (*next)->copy.Outcome().bytesWritten;
    stopped_ = stopped_ || (*next)->copy.Outcome().stopped;
    reading_.erase(next);
    if (!toTheEnd) return;
  }
}

// An empty file has no piece to read: it is read whole when its turn comes.
void LaneCopies::ReadPiece(InLane& file) {
  if (file.copy.Done()) return;
  file.copy.Step([&](std::uint64_t) { return between_(HandedOver(), file.target); });
}

// Counts every file being read, so that it never goes back while their copies take turns.
std::uint64_t LaneCopies::HandedOver() const {
  std::uint64_t bytes = readWhole_;
  for (const InLane* file : reading_) bytes += file->copy.Outcome().bytesWritten;
  return bytes;
}

void LaneCopies::WaitForRoom() {
  std::vector<const WritingLanes::File*> files;
  for (const InLane* file : reading_) files.push_back(file->file.get());
  lanes_.WaitForRoom(files);
}

}  // namespace kestrel::volume
