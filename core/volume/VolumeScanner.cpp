// SPDX-License-Identifier: Apache-2.0
#include "volume/VolumeScanner.h"

#include <algorithm>
#include <unordered_set>

#include "app/DateStamp.h"
#include "app/TextEncoding.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "volume/RecordGrammar.h"
#include "volume/ScanTexts.h"

namespace kestrel::volume {
namespace {

using disk::layout::kBlockSize;
using disk::layout::kNoBlock;
using disk::layout::kSectorSize;

constexpr std::int64_t kSectorsPerBlock = kBlockSize / kSectorSize;
constexpr std::int64_t kLabelSectorsBeforeBase = 11;   // PoolLabel: 29 sectors after the header
constexpr std::int64_t kHeaderSectorsBeforeBase = 40;  // PoolSuperBlock: 40 sectors after it
constexpr std::size_t kLabelNameBytes = 256;
constexpr std::int64_t kSamePoolShift = 32;
constexpr std::size_t kWalkBound = 3900;
constexpr std::size_t kResyncBound = 4000;
constexpr int kZeroRunLimit = 3;
constexpr std::size_t kLayoutBSlack = 12;  // layout B is decoded from a copy with 12 bytes behind

class VolumeScan {
 public:
  VolumeScan(const VolumeScanSource& source, FileTree& tree, app::ProgressObserver& observer,
             const app::LogReport& log)
      : source_(source), tree_(tree), observer_(observer), log_(log) {
    const std::int64_t baseSector = source.poolBase / static_cast<std::int64_t>(kSectorSize);
    endSector_ = baseSector - kHeaderSectorsBeforeBase + source.extentSectors;
    referenceLabel_ =
        disk::ReadSectorOrZeros(source.reader, (baseSector - kLabelSectorsBeforeBase) * 512);
    processed_ = static_cast<std::uint64_t>(source.poolBase);
  }

  ScanOutcome Run(std::stop_token stop) {
    disk::SectorBuffer root{};
    if (!source_.reader.ReadAt(Offset(source_.rootBlock), root))
      return Unreadable(Offset(source_.rootBlock));  // the chain's start is not known
    SetBlock(disk::FirstChainBlock(root));
    bool remapped = false;
    for (;;) {
      if (stop.stop_requested()) return Stopped();
      if (!remapped && block_ == kNoBlock) return Completed();
      if (sector_ >= endSector_) {
        if (remapped) return EndedEarly();  // no partition continues the chain
        Remap();
        remapped = true;
        continue;
      }
      remapped = false;
      if (!visited_.insert(offset_).second) return Completed();  // the chain loops back
      disk::BlockBuffer block{};
      if (!source_.reader.ReadAt(offset_, block)) {
        const std::int64_t unreadable = offset_;
        tree_.PlaceOrphans();
        Remap();
        if (block_ == 0 || offset_ == unreadable) return Unreadable(unreadable);
        remapped = true;
        continue;
      }
      if (!disk::IsTreeBlock(block)) return EndedEarly();
      WalkBlock(block);
      SetBlock(disk::TreeBlockLink(block));
      processed_ += kBlockSize;
      Report();
    }
  }

 private:
  std::int64_t Offset(std::uint64_t block) const {
    return disk::BlockOffset(source_.poolBase, block).value_or(-1);
  }

  void SetBlock(std::uint64_t block) {
    block_ = block;
    offset_ = Offset(block);
    sector_ = source_.poolBase / static_cast<std::int64_t>(kSectorSize) +
              kSectorsPerBlock * (static_cast<std::int64_t>(block) - 1);
  }

  // The chain ran past the end of the volume's partition (or a block could not be read): find the
  // partition that continues it along the partition chain. 0 when none does, which ends the scan
  // at the next block.
  void Remap() {
    std::int64_t s = sector_;
    std::int64_t result = 0;
    for (const auto& element : source_.chain) {
      const auto h = static_cast<std::int64_t>(element.headerSector);
      const auto l = static_cast<std::int64_t>(element.linkSector);
      if (l > endSector_) s += ShiftPastPartition(h, l);
      if (s > h && s < l) {
        result = s;
        break;
      }
    }
    block_ = static_cast<std::uint64_t>(result);
    offset_ = result * static_cast<std::int64_t>(kSectorSize);
    sector_ = (result - source_.poolBase / static_cast<std::int64_t>(kSectorSize) + 8) / 8;
  }

  std::int64_t ShiftPastPartition(std::int64_t h, std::int64_t l) const {
    const auto header = disk::ReadSectorOrZeros(source_.reader, h * 512);
    if (disk::PartitionContinuation(header) == 0) return l - h;
    const auto label = disk::ReadSectorOrZeros(source_.reader, (h + 29) * 512);
    const bool samePool = std::equal(label.begin() + disk::layout::kLabelName,
                                     label.begin() + disk::layout::kLabelName + kLabelNameBytes,
                                     referenceLabel_.begin() + disk::layout::kLabelName);
    return samePool ? kSamePoolShift : l - h;
  }

  void WalkBlock(const disk::BlockBuffer& block) {
    const disk::TreeBlockShape shape = disk::TreeBlockLayout(block);
    std::array<std::uint8_t, kBlockSize + kLayoutBSlack> copy{};
    std::copy(block.begin(), block.end(), copy.begin());
    const disk::ByteView area = disk::ByteView(copy).subspan(shape.recordArea);
    const bool layoutB = shape.layout == disk::BlockLayout::B;
    BlockBudget budget;
    std::size_t h = 0;
    do {
      RecordDecoding decoded = DecodeRecord(area, h, shape.layout, parentKey_);
      if (!budget.Spend(decoded)) break;
      for (auto& entry : decoded.entries) tree_.InsertScanItem(std::move(entry));
      if (layoutB && disk::ReadU16(area, decoded.next) == 0 && ++zeroRun_ == kZeroRunLimit) {
        zeroRun_ = 0;
        break;
      }
      h = Resynchronise(area, StepPast(h, decoded.next));
    } while (h < kWalkBound);
  }

  // A record whose mark "ND" is missing: the next "ND" at an even distance, below 4000.
  static std::size_t Resynchronise(disk::ByteView area, std::size_t h) {
    std::size_t at = h + 2;
    while (at < kResyncBound && !disk::HasBytesAt(area, at, disk::layout::kRecordMark)) at += 2;
    return at - 2;
  }

  void Report() { observer_.OnProgress(Reported(0)); }

  // The blocks read, of a chain whose length is known only at its end.
  app::Progress Reported(std::uint64_t total) const {
    return {BlocksRead(), total, TotalText(tree_.counters), app::WorkUnit::Blocks};
  }

  app::Progress ReportedAtEnd() const { return Reported(BlocksRead()); }

  std::uint64_t BlocksRead() const {
    return (processed_ - static_cast<std::uint64_t>(source_.poolBase)) / kBlockSize;
  }

  ScanOutcome Completed() {
    tree_.PlaceOrphans();
    observer_.OnProgress(ReportedAtEnd());
    log_.AppendLogEntry("Volume scanning completed successfully on" + app::DateTimeStampNow());
    log_.AppendLogEntry(TotalText(tree_.counters));
    return ScanOutcome::Completed;
  }

  // The chain leads into a block that is no tree block. The entries still waiting for their
  // folder are placed all the same, so that nothing found is lost.
  ScanOutcome EndedEarly() {
    tree_.PlaceOrphans();
    observer_.OnProgress(ReportedAtEnd());
    return ScanOutcome::EndedEarly;
  }

  // A leaf block could not be read and no other partition continues the chain (re-mapping finds
  // nothing, or the same block again): what follows it was never read.
  ScanOutcome Unreadable(std::int64_t offset) {
    observer_.OnProgress(ReportedAtEnd());
    log_.AppendLogEntry("Volume scanning ended early: the block at byte " + std::to_string(offset) +
                        " could not be read");
    log_.AppendLogEntry(TotalText(tree_.counters));
    return ScanOutcome::Unreadable;
  }

  ScanOutcome Stopped() {
    tree_.DiscardOrphans();
    observer_.OnProgress(Reported(0));
    log_.AppendLogEntry("Scan volume process aborted");
    return ScanOutcome::Stopped;
  }

  const VolumeScanSource& source_;
  FileTree& tree_;
  app::ProgressObserver& observer_;
  const app::LogReport& log_;
  disk::SectorBuffer referenceLabel_{};
  std::int64_t endSector_ = 0;
  std::uint64_t block_ = 0;
  std::int64_t offset_ = 0;
  std::int64_t sector_ = 0;
  std::uint64_t parentKey_ = 0;
  int zeroRun_ = 0;
  std::unordered_set<std::int64_t> visited_;
  std::uint64_t processed_ = 0;
};

}  // namespace

std::string_view ScanShortfallText(ScanOutcome outcome) {
  switch (outcome) {
    case ScanOutcome::EndedEarly:
      return "Scanning ended early: the chain of tree blocks leads into a block that is not a tree "
             "block; what follows it was not read";
    case ScanOutcome::Unreadable:
      return "Scanning ended early: a block of the chain of tree blocks could not be read; what "
             "follows it was not read";
    case ScanOutcome::Completed:
    case ScanOutcome::Stopped:
      break;
  }
  return {};
}

FileTree NewVolumeTree(std::u16string volumeName) {
  ScanItem root;
  root.m_key = kTopDirectoryKey;
  root.m_state = ItemState::None;
  return FileTree(std::move(volumeName), std::move(root));
}

ScanOutcome ScanVolume(const VolumeScanSource& source, FileTree& tree,
                       app::ProgressObserver& observer, std::stop_token stop,
                       const app::LogReport& log) {
  log.AppendLogEntry("Started Scanning " + app::ToUtf8(source.volumeName));
  tree.counters = {};
  tree.selection = {};
  return VolumeScan(source, tree, observer, log).Run(stop);
}

}  // namespace kestrel::volume
