// SPDX-License-Identifier: Apache-2.0
#include "volume/FileData.h"

#include <algorithm>

#include "disk/NssStructures.h"
#include "disk/ReadBuffer.h"

namespace kestrel::volume {
namespace {

constexpr std::uint64_t kBlock = disk::layout::kBlockSize;

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

std::uint64_t ExtentBytes(const std::vector<ExtentBlocks>& extents) {
  std::uint64_t bytes = 0;
  for (const auto& extent : extents) bytes += extent.blocks * kBlock;
  return bytes;
}

std::uint64_t CutSize(const ScanItem& head, std::uint64_t extentBytes) {
  if (head.m_sizeHighKnown) return head.FullSize();
  return SizeWithinExtents(head.m_size, extentBytes);
}

}  // namespace

std::uint64_t SizeWithinExtents(std::uint32_t lowBits, std::uint64_t extentBytes) {
  constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;
  if (lowBits >= extentBytes) return lowBits;
  return lowBits + (extentBytes - lowBits) / kWrap * kWrap;
}

FileDataLayout LayoutFileData(const FileTree& tree, RecordId head, std::int64_t poolBase) {
  FileDataLayout layout;
  const std::vector<ExtentBlocks> extents = ExtentLengths(tree, head, layout.inconsistentExtents);
  layout.extentBytes = ExtentBytes(extents);
  layout.size = CutSize(tree.Record(head), layout.extentBytes);
  std::uint64_t placed = 0;
  for (const auto& extent : extents) {
    const std::uint64_t length = std::min(layout.size - placed, extent.blocks * kBlock);
    if (length == 0) continue;
    layout.ranges.push_back(
        {disk::BlockOffset(poolBase, extent.start).value_or(-1), length, placed});
    placed += length;
  }
  return layout;
}

std::uint64_t FileDataSize(const FileTree& tree, RecordId head) {
  const ScanItem& record = tree.Record(head);
  if (record.m_sizeHighKnown) return record.FullSize();
  bool inconsistent = false;
  return CutSize(record, ExtentBytes(ExtentLengths(tree, head, inconsistent)));
}

namespace {

// Collects the unreadable runs of one read, joining runs that touch.
class UnreadableRuns {
 public:
  explicit UnreadableRuns(RangeReadOutcome& outcome) : outcome_(outcome) {}

  void Add(std::uint64_t offset, std::uint64_t length) {
    auto& runs = outcome_.unreadable;
    if (!runs.empty() && runs.back().offset + runs.back().length == offset)
      runs.back().length += length;
    else
      runs.push_back({offset, length});
  }

 private:
  RangeReadOutcome& outcome_;
};

// Reads `piece` of the range, which starts `within` bytes into it. When the read fails it is
// repeated block by block (blocks counted from the range's start, which is a block's start);
// what still cannot be read is zeroed and listed.
void ReadPiece(const disk::DiskReader& source, const SourceRange& range, std::uint64_t within,
               std::span<std::uint8_t> piece, RangeReadOutcome& outcome) {
  const auto at = [&](std::uint64_t offsetInRange) {
    return range.offset + static_cast<std::int64_t>(offsetInRange);
  };
  if (range.offset >= 0 && source.ReadAt(at(within), piece)) return;
  UnreadableRuns runs(outcome);
  for (std::size_t done = 0; done < piece.size();) {
    const std::uint64_t inRange = within + done;
    const std::size_t length =
        std::min<std::uint64_t>(kBlock - inRange % kBlock, piece.size() - done);
    const auto block = piece.subspan(done, length);
    if (range.offset < 0 || !source.ReadAt(at(inRange), block)) {
      std::fill(block.begin(), block.end(), 0);
      runs.Add(range.fileOffset + inRange, length);
      outcome.unreadableBlocks++;
    }
    done += length;
  }
}

}  // namespace

RangeReadOutcome ReadFileRange(const disk::DiskReader& source, const FileDataLayout& layout,
                               std::uint64_t offset, std::span<std::uint8_t> buffer) {
  RangeReadOutcome outcome;
  if (offset >= layout.size) return outcome;
  outcome.bytes = std::min<std::uint64_t>(buffer.size(), layout.size - offset);
  const std::uint64_t end = offset + outcome.bytes;
  auto range = std::upper_bound(
      layout.ranges.begin(), layout.ranges.end(), offset,
      [](std::uint64_t at, const SourceRange& r) { return at < r.fileOffset + r.length; });
  for (std::uint64_t at = offset; at < end && range != layout.ranges.end(); ++range) {
    const std::uint64_t upto = std::min(end, range->fileOffset + range->length);
    ReadPiece(source, *range, at - range->fileOffset, buffer.subspan(at - offset, upto - at),
              outcome);
    at = upto;
  }
  const std::uint64_t placedEnd = std::min(end, std::max(offset, layout.PlacedBytes()));
  if (placedEnd < end) {
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(placedEnd - offset),
              buffer.begin() + static_cast<std::ptrdiff_t>(outcome.bytes), 0);
    UnreadableRuns(outcome).Add(placedEnd, end - placedEnd);
  }
  return outcome;
}

std::span<std::uint8_t> CopyBuffers::Next(std::size_t size) {
  disk::ReadBuffer& buffer = buffers_[next_];
  next_ ^= 1;
  if (buffer.span().size() < size) buffer = disk::ReadBuffer(size);
  return buffer.span().first(size);
}

PieceCopy::PieceCopy(const disk::DiskReader& source, const FileDataLayout& layout,
                     platform::WritableFile& output, PieceBuffers& buffers)
    : source_(source),
      layout_(layout),
      output_(output),
      buffers_(buffers),
      done_(layout.PlacedBytes() == 0) {
  for (const SourceRange& range : layout.ranges)
    source.AdviseSequential(range.offset, static_cast<std::int64_t>(range.length));
}

void PieceCopy::Step(const std::function<bool(std::uint64_t)>& between) {
  if (!between(outcome_.bytesWritten)) {
    outcome_.stopped = true;
    done_ = true;
    return;
  }
  const std::uint64_t total = layout_.PlacedBytes();
  const auto chunk =
      buffers_.Next(std::min<std::uint64_t>(kCopyPieceSize, total - outcome_.bytesWritten));
  outcome_.unreadableBlocks +=
      ReadFileRange(source_, layout_, outcome_.bytesWritten, chunk).unreadableBlocks;
  if (!output_.Write(chunk)) {
    outcome_.writeError = output_.error();
    done_ = true;
    return;
  }
  outcome_.bytesWritten += chunk.size();
  done_ = outcome_.bytesWritten == total;
}

CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t)>& between, PieceBuffers& buffers) {
  PieceCopy copy(source, layout, output, buffers);
  while (!copy.Done()) copy.Step(between);
  return copy.Outcome();
}

CopyOutcome CopyFileData(const disk::DiskReader& source, const FileDataLayout& layout,
                         platform::WritableFile& output,
                         const std::function<bool(std::uint64_t)>& between) {
  CopyBuffers buffers;
  return CopyFileData(source, layout, output, between, buffers);
}

}  // namespace kestrel::volume
