// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <set>
#include <span>
#include <utility>

#include "app/LogReport.h"
#include "disk/DiskReader.h"
#include "mount/MountTree.h"
#include "volume/FileData.h"
#include "volume/FileTree.h"

namespace kestrel::mount {

struct MountRead {
  std::size_t bytes = 0;  // bytes placed in the buffer: the request cut to the file's size
  int error = 0;          // EIO when a byte of the request cannot be read; then no bytes count
};

// A scanned tree served read-only: its folder tree, and the data of its files read from the
// source. Reads may come from several threads at once.
class MountedVolume {
 public:
  // scanTime: the time every entry shows, as the format keeps none.
  MountedVolume(volume::FileTree tree, disk::DiskReader source, std::int64_t poolBase,
                std::time_t scanTime, const app::LogReport& log);

  const MountTree& Tree() const { return mountTree_; }
  std::time_t ScanTime() const { return scanTime_; }

  // Where the file's bytes lie, worked out once when it is opened.
  volume::FileDataLayout Layout(NodeId file) const;

  // The file's bytes from offset, cut to its size. Bytes that cannot be read are never passed
  // off as data: the whole request fails with EIO, so that a reader asking for smaller pieces
  // gets every readable byte and EIO for exactly the unreadable ones. Each unreadable block is
  // written once to the log report.
  MountRead Read(NodeId file, const volume::FileDataLayout& layout, std::uint64_t offset,
                 std::span<std::uint8_t> buffer) const;

 private:
  std::vector<volume::FileByteRun> NotYetReported(
      NodeId file, const std::vector<volume::FileByteRun>& runs) const;
  void ReportUnreadable(NodeId file, const std::vector<volume::FileByteRun>& runs) const;

  volume::FileTree tree_;
  disk::DiskReader source_;
  std::int64_t poolBase_;
  std::time_t scanTime_;
  const app::LogReport& log_;
  MountTree mountTree_;
  mutable std::mutex reportedLock_;
  mutable std::set<std::pair<NodeId, std::uint64_t>> reportedBlocks_;  // (file, block of the file)
};

}  // namespace kestrel::mount
