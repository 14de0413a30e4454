#include "volume/FileData.h"

#include <algorithm>

#include "disk/NssStructures.h"
#include "disk/ReadBuffer.h"

namespace kestrel::volume {
namespace {

constexpr std::uint64_t kBlock = disk::layout::kBlockSize;
constexpr std::size_t kLargestRead = disk::layout::kScanWindowSize;

struct ExtentBlocks {
  std::uint32_t start;
  std::uint64_t blocks;
};

std::vector<ExtentBlocks> ExtentLengths(const FileTree& tree, RecordId head, bool& inconsistent) {
  const ScanItem& first = tree.Record(head);
  std::vector<ExtentBlocks> extents{{first.m_extentStart, first.m_extentBlocks}};
  std::uint64_t total = first.m_extentBlocks;
  for (RecordId r = first.m_next; r != kNoRecord && tree.Record(r).IsContinuation();
       r = tree.Record(r).m_next) {
    const std::uint64_t runningTotal = tree.Record(r).m_extentBlocks;
    inconsistent = inconsistent || runningTotal < total;
    extents.push_back(
        {tree.Record(r).m_extentStart, runningTotal > total ? runningTotal - total : 0});
    total = std::max(total, runningTotal);
  }
  return extents;
}

std::uint64_t CutSize(const ScanItem& head, std::uint64_t extentBytes) {
  if (head.m_sizeHighKnown) return head.FullSize();
  constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;
  if (head.m_size >= extentBytes) return head.m_size;
  return head.m_size + (extentBytes - head.m_size) / kWrap * kWrap;
}

}  // namespace

FileDataLayout LayoutFileData(const FileTree& tree, RecordId head, std::int64_t poolBase) {
  FileDataLayout layout;
  const std::vector<ExtentBlocks> extents = ExtentLengths(tree, head, layout.inconsistentExtents);
  for (const auto& extent : extents) layout.extentBytes += extent.blocks * kBlock;
  layout.size = CutSize(tree.Record(head), layout.extentBytes);
  std::uint64_t remaining = layout.size;
  for (const auto& extent : extents) {
    const std::uint64_t length = std::min(remaining, extent.blocks * kBlock);
    if (length == 0) continue;
    layout.ranges.push_back({disk::BlockOffset(poolBase, extent.start).value_or(-1), length});
    remaining -= length;
  }
  return layout;
}

namespace {

// Reads what a failed request covered again block by block; blocks that cannot be read stay zero.
std::uint64_t ReadBlockByBlock(const disk::DiskReader& source, std::int64_t offset,
                               std::span<std::uint8_t> buffer) {
  std::uint64_t unreadable = 0;
  for (std::size_t at = 0; at < buffer.size(); at += kBlock) {
    const auto block = buffer.subspan(at, std::min<std::size_t>(kBlock, buffer.size() - at));
    if (offset < 0 || !source.ReadAt(offset + static_cast<std::int64_t>(at), block)) {
      std::fill(block.begin(), block.end(), 0);
      unreadable++;
    }
  }
  return unreadable;
}

}  // namespace

CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t)>& between) {
  CopyOutcome outcome;
  disk::ReadBuffer buffer(std::min<std::uint64_t>(kLargestRead, layout.size));
  for (const SourceRange& range : layout.ranges) {
    for (std::uint64_t done = 0; done < range.length;) {
      if (!between(outcome.bytesWritten)) {
        outcome.stopped = true;
        return outcome;
      }
      const auto chunk =
          buffer.span().first(std::min<std::uint64_t>(kLargestRead, range.length - done));
      const std::int64_t offset =
          range.offset < 0 ? -1 : range.offset + static_cast<std::int64_t>(done);
      if (offset < 0 || !source.ReadAt(offset, chunk))
        outcome.unreadableBlocks += ReadBlockByBlock(source, offset, chunk);
      if (!output.Write(chunk)) {
        outcome.writeError = output.error();
        return outcome;
      }
      outcome.bytesWritten += chunk.size();
      done += chunk.size();
    }
  }
  return outcome;
}

}  // namespace kestrel::volume
