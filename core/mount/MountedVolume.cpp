// SPDX-License-Identifier: Apache-2.0
#include "mount/MountedVolume.h"

#include <algorithm>
#include <cerrno>

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "disk/NssLayout.h"

namespace kestrel::mount {

MountedVolume::MountedVolume(volume::FileTree tree, disk::DiskReader source, std::int64_t poolBase,
                             std::time_t scanTime, const app::LogReport& log)
    : tree_(std::move(tree)),
      source_(std::move(source)),
      poolBase_(poolBase),
      scanTime_(scanTime),
      log_(log),
      mountTree_(tree_) {}

volume::FileDataLayout MountedVolume::Layout(NodeId file) const {
  return volume::LayoutFileData(tree_, mountTree_.Node(file).record, poolBase_);
}

MountRead MountedVolume::Read(NodeId file, const volume::FileDataLayout& layout,
                              std::uint64_t offset, std::span<std::uint8_t> buffer) const {
  const volume::RangeReadOutcome outcome = volume::ReadFileRange(source_, layout, offset, buffer);
  if (outcome.Whole()) return {outcome.bytes, 0};
  ReportUnreadable(file, outcome.unreadable);
  return {0, EIO};
}

// The kernel asks again for smaller pieces of a request that failed, so the same block comes
// back several times; the log names it once, with its neighbours that are new as one run.
std::vector<volume::FileByteRun> MountedVolume::NotYetReported(
    NodeId file, const std::vector<volume::FileByteRun>& runs) const {
  constexpr std::uint64_t kBlock = disk::layout::kBlockSize;
  std::vector<volume::FileByteRun> fresh;
  const std::lock_guard lock(reportedLock_);
  for (const volume::FileByteRun& run : runs) {
    const std::uint64_t end = run.offset + run.length;
    for (std::uint64_t block = run.offset / kBlock; block * kBlock < end; ++block) {
      if (!reportedBlocks_.insert({file, block}).second) continue;
      const std::uint64_t from = std::max(run.offset, block * kBlock);
      const std::uint64_t upto = std::min(end, (block + 1) * kBlock);
      if (!fresh.empty() && fresh.back().offset + fresh.back().length == from)
        fresh.back().length += upto - from;
      else
        fresh.push_back({from, upto - from});
    }
  }
  return fresh;
}

void MountedVolume::ReportUnreadable(NodeId file,
                                     const std::vector<volume::FileByteRun>& runs) const {
  const std::string path = app::PrintableText(mountTree_.PathOf(file));
  for (const volume::FileByteRun& run : NotYetReported(file, runs)) {
    log_.AppendLogEntry(
        app::Format("Unreadable while mounted, read as an I/O error: %s bytes %llu to %llu",
                    path.c_str(), static_cast<unsigned long long>(run.offset),
                    static_cast<unsigned long long>(run.offset + run.length - 1)));
  }
}

}  // namespace kestrel::mount
