// SPDX-License-Identifier: Apache-2.0
#include "pool/PoolScanner.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <unordered_set>
#include <vector>

#include "app/DateStamp.h"
#include "app/TextEncoding.h"
#include "disk/NameBlock.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "disk/WindowReader.h"
#include "pool/PoolTree.h"
#include "volume/RecordGrammar.h"
#include "volume/ScanTexts.h"

namespace kestrel::pool {
namespace {

using disk::ByteView;
namespace layout = disk::layout;

constexpr std::size_t kSector = layout::kSectorSize;
constexpr std::size_t kBlock = layout::kBlockSize;
constexpr std::size_t kWalkLimit = 3899;  // a record offset beyond this ends the block
constexpr std::size_t kResyncBound = 4000;
constexpr std::size_t kLayoutBSlack = 12;

// Further segments of a pool: a group header 5 sectors after the pool's PartitionHeader links to
// the first further segment's group header; each has its label 29 sectors after it.
constexpr std::string_view kGroupSignature{"\0GrOuPPaRtItIoN\0", 16};
constexpr std::int64_t kGroupHeaderSectors = 5;
constexpr std::int64_t kGroupLabelSectors = 29;

// The marks are compared as raw bytes at each sector's start: this test runs 2048 times a window.
bool MarkAt(ByteView window, std::size_t off, std::string_view mark) {
  return off + mark.size() <= window.size() &&
         std::memcmp(window.data() + off, mark.data(), mark.size()) == 0;
}

// Where a pool scan finds a volume record's VolumeInfo: after the name block, by the "ZVL" mark
// or by the block's layout.
std::size_t PoolVolumeInfo(ByteView area, std::size_t end, disk::BlockLayout blockLayout) {
  if (disk::HasBytesAt(area, end + 113, layout::kVolumeInfoMark)) return end + 113;
  return end + (blockLayout == disk::BlockLayout::A ? 97 : 112);
}

class PoolScan {
 public:
  PoolScan(const PoolScanSource& source, volume::FileTree& tree, app::ProgressObserver& observer,
           std::stop_token stop, const app::LogReport& log)
      : source_(source),
        tree_(tree),
        filer_(tree),
        observer_(observer),
        stop_(std::move(stop)),
        log_(log),
        zeroed_(source.reader),
        total_(static_cast<std::uint64_t>(std::max<std::int64_t>(0, source.end - source.start))) {}

  PoolScanResult Run() {
    if (!ScanRange(source_.start, source_.end) || (source_.followSegments && !FollowSegments()))
      return Stopped();
    tree_.PlaceOrphans(volume::FileTree::OrphanFallback::TopItem);
    MarkDeletedVolumes();
    SetDataBase();
    NoteZeroedSectors();
    observer_.OnProgress({total_, total_, volume::TotalText(tree_.counters)});
    log_.AppendLogEntry("Successfully scanned pool" + app::DateTimeStampNow() +
                        volume::TotalText(tree_.counters));
    return result_;
  }

 private:
  // Tests every 512-byte position of [from, to) for "LEAF" and "SPB5"; false when stopped.
  bool ScanRange(std::int64_t from, std::int64_t to) {
    disk::WindowReader windows(source_.reader, from, to);
    std::int64_t passed = from;  // a hole passed over counts as done
    while (!stop_.stop_requested()) {
      const auto window = windows.Next();
      if (!window) return true;
      for (std::size_t off = 0; off < window->bytes.size(); off += kSector)
        ExaminePosition(window->bytes, off, window->offset);
      const std::int64_t end = window->offset + static_cast<std::int64_t>(window->bytes.size());
      done_ += static_cast<std::uint64_t>(end - passed);
      passed = end;
      observer_.OnProgress({done_, total_, volume::TotalText(tree_.counters)});
    }
    return false;
  }

  void ExaminePosition(ByteView window, std::size_t off, std::int64_t pos) {
    if (MarkAt(window, off, layout::kTreeBlockSignature)) {
      if (off + kBlock <= window.size()) {
        DecodeBlock(window.subspan(off, kBlock));
      } else {
        disk::BlockBuffer block{};  // a block across the window's end is read on its own
        disk::ReadAround(source_.reader, pos + static_cast<std::int64_t>(off), block);
        DecodeBlock(block);
      }
    } else if (!result_.superBlockOffset && MarkAt(window, off, layout::kSuperBlockSignature)) {
      result_.superBlockOffset = pos + static_cast<std::int64_t>(off);
    }
  }

  // Every record of one tree block; no link is followed: each block is reached by the search.
  void DecodeBlock(ByteView block) {
    const disk::TreeBlockShape shape = disk::TreeBlockLayout(block);
    std::array<std::uint8_t, kBlock + kLayoutBSlack> copy{};
    std::copy(block.begin(), block.end(), copy.begin());
    const ByteView area = ByteView(copy).subspan(shape.recordArea);
    const std::uint64_t blockVolumeId = disk::TreeBlockVolumeId(block);
    volume::BlockBudget budget;
    for (std::size_t h = 0;;) {
      volume::RecordDecoding decoded = volume::DecodeRecord(area, h, shape.layout, parentKey_);
      if (!budget.Spend(decoded)) return;
      filer_.File(RecordAt(area, h, shape.layout, std::move(decoded.entries)), blockVolumeId);
      std::size_t next = volume::StepPast(h, decoded.next);
      if (next > UINT32_MAX) return;
      if (next < kResyncBound && !disk::HasBytesAt(area, next + 2, layout::kRecordMark)) {
        while (next + 2 < kResyncBound && !disk::HasBytesAt(area, next + 2, layout::kRecordMark))
          next += 2;
      }
      if (next > kWalkLimit) return;
      h = next;
    }
  }

  static PoolRecord RecordAt(ByteView area, std::size_t h, disk::BlockLayout blockLayout,
                             std::vector<volume::DecodedEntry> entries) {
    PoolRecord record{std::move(entries),
                      disk::ReadU8(area, h + volume::record::kVolumeMark) == '3', 0};
    if (record.volumeRecord) {
      const std::size_t end = disk::ReadNameBlock(area, h + layout::kRecordNameSpace).end;
      record.volumeId =
          disk::ReadU64(area, PoolVolumeInfo(area, end, blockLayout) + layout::kVolumeInfoVolumeId);
    }
    return record;
  }

  // The segments of a pool that spans several partitions, each scanned as the pool's own
  // partition was; false when stopped. The group headers come from the disk and may be crafted:
  // a segment is scanned only inside the disk and only where nothing was scanned before, so that
  // no part of the disk is read twice however many headers name it.
  bool FollowSegments() {
    const auto group =
        disk::ReadSectorOrZeros(source_.reader, source_.start + kGroupHeaderSectors * 512);
    if (!disk::HasBytesAt(group, 0, kGroupSignature)) return true;
    const std::u16string poolName = disk::PoolName(
        disk::ReadSectorOrZeros(source_.reader, source_.start + layout::kPoolLabelOffset));
    scanned_ = {{source_.start, source_.end}};
    std::unordered_set<std::uint32_t> met;
    for (std::uint32_t link = disk::NextPartitionHeaderSector(group);
         link != 0 && met.insert(link).second;) {
      const std::int64_t header = static_cast<std::int64_t>(link) * 512;
      if (header >= source_.reader.Size()) break;
      const auto segment = disk::ReadSectorOrZeros(source_.reader, header);
      if (!disk::HasBytesAt(segment, 0, kGroupSignature)) break;
      const auto label = disk::ReadSectorOrZeros(source_.reader, header + kGroupLabelSectors * 512);
      if (disk::PoolName(label) == poolName &&
          !ScanSegment(header, SegmentEnd(header, disk::PoolSectorCount(label))))
        return false;
      link = disk::NextPartitionHeaderSector(segment);
    }
    return true;
  }

  // header + sectors × 512, in checked arithmetic and never past the disk's end.
  std::int64_t SegmentEnd(std::int64_t header, std::uint64_t sectors) const {
    const auto room = static_cast<std::uint64_t>(source_.reader.Size() - header) / kSector;
    return header + static_cast<std::int64_t>(std::min(sectors, room) * kSector);
  }

  // The ranges scanned never overlap, so only the nearest one on either side can meet [from, to).
  bool Overlaps(std::int64_t from, std::int64_t to) const {
    const auto after = scanned_.lower_bound(from);
    if (after != scanned_.end() && after->first < to) return true;
    return after != scanned_.begin() && std::prev(after)->second > from;
  }

  // Scans [from, to) unless it overlaps a range already scanned; false when stopped.
  bool ScanSegment(std::int64_t from, std::int64_t to) {
    if (from >= to || Overlaps(from, to)) return true;
    scanned_.emplace(from, to);
    total_ += static_cast<std::uint64_t>(to - from);
    return ScanRange(from, to);
  }

  // Without a super block the files are read from where it belongs; the log says so, as the
  // files may then be read from the wrong place.
  void SetDataBase() {
    result_.dataBase =
        result_.superBlockOffset.value_or(source_.start + layout::kPoolSuperBlockOffset);
    if (result_.superBlockOffset) return;
    log_.AppendLogEntry(NoSuperBlockText(result_.dataBase));
  }

  // Sectors that could not be read were searched as zeros: what they held is missing.
  void NoteZeroedSectors() {
    result_.zeroedSectors = zeroed_.Since();
    if (result_.zeroedSectors == 0) return;
    log_.AppendLogEntry("Pool scanning: " + disk::ZeroedSectorsText(result_.zeroedSectors));
  }

  void MarkDeletedVolumes() {
    if (!result_.superBlockOffset) return;
    pool::MarkDeletedVolumes(tree_, filer_.volumes(),
                             ListedVolumeKeys(source_.reader, *result_.superBlockOffset));
  }

  PoolScanResult Stopped() {
    tree_.DiscardOrphans();
    SetDataBase();
    NoteZeroedSectors();
    observer_.OnProgress({done_, total_, volume::TotalText(tree_.counters)});
    log_.AppendLogEntry("Pool scanning aborted");
    result_.outcome = volume::ScanOutcome::Stopped;
    return result_;
  }

  const PoolScanSource& source_;
  volume::FileTree& tree_;
  PoolFiler filer_;
  app::ProgressObserver& observer_;
  std::stop_token stop_;
  const app::LogReport& log_;
  const disk::ZeroedSectorCount zeroed_;
  PoolScanResult result_;
  std::uint64_t parentKey_ = 0;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
  std::map<std::int64_t, std::int64_t> scanned_;  // from → to: the ranges of the disk scanned
};

}  // namespace

std::string NoSuperBlockText(std::int64_t dataBase) {
  return "No pool super block (\"SPB5\") was found: the files are read from byte " +
         std::to_string(dataBase) + ", 0x5000 after the partition header";
}

PoolScanSource PoolOnDisk(const disk::DiskReader& reader, const disk::PoolEntry& pool) {
  const std::int64_t header = pool.node.start;
  const auto link = static_cast<std::int64_t>(pool.node.extra) * 512;
  const std::int64_t end =
      link > header ? link : header + static_cast<std::int64_t>(pool.extentSectors) * 512;
  return {reader, header, std::min(end, reader.Size()), true, pool.Label(), pool.node.sourcePath};
}

PoolScanSource PoolImage(const disk::DiskReader& reader, std::u16string label, std::string path) {
  return {reader, 0, reader.Size(), false, std::move(label), std::move(path)};
}

PoolScanResult ScanPool(const PoolScanSource& source, volume::FileTree& tree,
                        app::ProgressObserver& observer, std::stop_token stop,
                        const app::LogReport& log) {
  log.AppendLogEntry("Started Scanning " + app::ToUtf8(source.label));
  tree.counters = {};
  tree.selection = {};
  return PoolScan(source, tree, observer, std::move(stop), log).Run();
}

}  // namespace kestrel::pool
