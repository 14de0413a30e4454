// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "disk/platform/Platform.h"
#include "volume/FileData.h"
#include "volume/WritingLanes.h"

namespace kestrel::volume {

// A file's copy, once its lane has closed it.
struct CopiedFile {
  std::size_t id = 0;  // as handed over
  std::string target;
  FileDataLayout layout;
  CopyOutcome copied;  // what was read, and what the lane wrote of it
  bool stored = false;
  std::string closeError;  // why it was not stored
};

// Copies the files handed over, one after another, through writing lanes, reading their pieces on
// the caller's thread in turns: the oldest file whose lane has room first. A file is begun before
// the one before it is read whole only when the lanes hold the reading up, so a disk slower than
// the destination is read in file order, one file after another.
class LaneCopies {
 public:
  // Runs before every read with what all the files have handed over so far and the target of the
  // file read next; false stops that file.
  using Between = std::function<bool(std::uint64_t handedOver, const std::string& target)>;

  LaneCopies(const disk::DiskReader& source, std::size_t lanes, Between between);
  ~LaneCopies();

  // Begins the file, then reads until some file is read whole or a lane is free for the next.
  void Add(std::size_t id, std::string target, FileDataLayout layout,
           std::unique_ptr<platform::WritableFile> file);
  bool Stopped() const { return stopped_; }  // some file's copy was stopped
  // The files from the first handed over on, as far as they are closed; with `all`, every file,
  // once all are read whole and closed.
  std::vector<CopiedFile> TakeClosed(bool all);

 private:
  struct InLane;

  void ReadInTurns(bool toTheEnd);
  void ReadPiece(InLane& file);
  std::uint64_t HandedOver() const;
  void WaitForRoom();

  const disk::DiskReader& source_;
  Between between_;
  WritingLanes lanes_;
  std::uint64_t readWhole_ = 0;  // what the files read whole handed over
  bool stopped_ = false;
  std::deque<std::unique_ptr<InLane>> inLanes_;  // in the order handed over, until taken
  std::vector<InLane*> reading_;                 // of those, the ones not read whole, oldest first
};

}  // namespace kestrel::volume
