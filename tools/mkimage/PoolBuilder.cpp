// SPDX-License-Identifier: Apache-2.0
#include "PoolBuilder.h"

#include <algorithm>
#include <set>

#include "DataWriter.h"
#include "FixedSectors.h"
#include "KeyAllocator.h"
#include "NssFormat.h"
#include "PoolPlace.h"
#include "Utf16.h"
#include "VolumeBuilder.h"
#include "VolumeDirectory.h"

namespace kestrel::mkimage {
namespace {

constexpr auto kSector = static_cast<std::int64_t>(nss::kSectorSize);
constexpr auto kBlock = static_cast<std::int64_t>(nss::kBlockSize);
constexpr std::uint64_t kFirstEntryKey = 0x1000;  // first key handed out to volumes and entries
constexpr std::uint64_t kFirstVolumeId = 1;       // volume id 0 marks the directory's blocks
constexpr auto kPoolStructuresEnd = static_cast<std::int64_t>(nss::partition::kPoolStructuresEnd);

std::int64_t SectorOffset(std::uint64_t sector) {
  return static_cast<std::int64_t>(sector) * kSector;
}

// The blocks that lie wholly inside the disk bytes [begin, end).
BlockAllocator::Region BlocksWithin(std::int64_t poolBase, std::int64_t begin, std::int64_t end) {
  const std::int64_t first = (begin - poolBase + kBlock - 1) / kBlock + 1;
  const std::int64_t last = std::max(first, (end - poolBase) / kBlock + 1);
  return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
}

std::set<std::uint64_t> ExplicitEntryKeys(const PoolLayout& wanted) {
  std::set<std::uint64_t> keys;
  const auto add = [&keys](const std::vector<EntryLayout>& entries) {
    for (const EntryLayout& entry : entries) {
      if (entry.key) keys.insert(*entry.key);
    }
  };
  for (const VolumeLayout& volume : wanted.volumes) {
    if (volume.key) keys.insert(*volume.key);
    add(volume.entries);
  }
  for (const LooseBlockLayout& block : wanted.looseBlocks) add(block.entries);
  return keys;
}

std::set<std::uint64_t> ExplicitVolumeIds(const PoolLayout& wanted) {
  std::set<std::uint64_t> ids;
  for (const VolumeLayout& volume : wanted.volumes) {
    if (volume.volumeId) ids.insert(*volume.volumeId);
  }
  return ids;
}

std::string Label(const std::vector<std::string>& names) {
  std::string label;
  for (const std::string& name : names) label += name;
  return label;
}

// Writes one checked pool; holds what its steps share.
class PoolWriter {
 public:
  PoolWriter(const PoolLayout& wanted, const PoolPlace& place, SparseFile& image);
  Result<ManifestPool> build();
  std::uint64_t sectorsUsed() const;

 private:
  std::vector<ByteRange> looseRanges() const;
  std::vector<BlockAllocator::Region> segmentRegions() const;
  Result<VolumePlan> planVolume(const VolumeLayout& volume, KeyAllocator& ids,
                                const std::vector<const LooseBlockLayout*>& looseBlocks);
  Result<std::vector<std::vector<const LooseBlockLayout*>>> looseBlocksByVolume() const;
  Result<std::vector<VolumePlan>> planVolumes();
  Status writeVolumes(const std::vector<VolumePlan>& plans, const VolumeDirectory& directory,
                      ManifestPool& manifest);
  Status writeExtraSuperBlocks(ManifestPool& manifest);
  Status writeFixedSectors(std::uint32_t firstDirectoryBlock);
  Status writeGroupChain();

  const PoolLayout& layout_;
  const PoolPlace& place_;
  std::int64_t header_;
  std::int64_t poolBase_;
  std::u16string name_;
  PoolSpace space_;
  BlockAllocator poolBlocks_;
  BlockAllocator segmentBlocks_;
  KeyAllocator keys_;
  std::uint32_t anchor_ = 0;
};

PoolWriter::PoolWriter(const PoolLayout& wanted, const PoolPlace& place, SparseFile& image)
    : layout_(wanted),
      place_(place),
      header_(SectorOffset(place.headerSector)),
      poolBase_(header_ + static_cast<std::int64_t>(nss::partition::kSuperBlock)),
      name_(*Utf8ToUtf16(wanted.name)),
      space_(image, poolBase_),
      poolBlocks_(
          poolBase_,
          {BlocksWithin(poolBase_, poolBase_ + kBlock, header_ + SectorOffset(place.sizeSectors))},
          looseRanges()),
      segmentBlocks_(poolBase_, segmentRegions(), {}),
      keys_(kFirstEntryKey, ExplicitEntryKeys(wanted)) {}

std::vector<ByteRange> PoolWriter::looseRanges() const {
  std::vector<ByteRange> ranges;
  for (const LooseBlockLayout& block : layout_.looseBlocks) {
    const std::int64_t begin = header_ + static_cast<std::int64_t>(block.offset);
    ranges.push_back({begin, begin + kBlock});
  }
  return ranges;
}

// Inside each segment, the blocks after its group label.
std::vector<BlockAllocator::Region> PoolWriter::segmentRegions() const {
  std::vector<BlockAllocator::Region> regions;
  for (const SegmentPlace& segment : place_.segments) {
    regions.push_back(BlocksWithin(
        poolBase_, SectorOffset(segment.startSector + nss::partition::kGroupStructuresEnd),
        SectorOffset(std::uint64_t{segment.startSector} + segment.sizeSectors)));
  }
  return regions;
}

Result<VolumePlan> PoolWriter::planVolume(const VolumeLayout& volume, KeyAllocator& ids,
                                          const std::vector<const LooseBlockLayout*>& looseBlocks) {
  VolumePlan plan;
  plan.wanted = &volume;
  plan.label = Label(volume.names);
  plan.volumeId = volume.volumeId ? *volume.volumeId : ids.next();
  plan.key = volume.key ? *volume.key : keys_.next();
  if (volume.placement == Placement::Segment && place_.segments.empty()) {
    return Error{"placement \"segment\" needs a partition with \"segmentOf\": \"" + layout_.name +
                 "\""};
  }
  plan.treeBlocks = volume.placement == Placement::Segment ? &segmentBlocks_ : &poolBlocks_;
  Result<std::uint32_t> root = plan.treeBlocks->allocate(1);
  if (!root) return root.error();
  plan.rootBlock = *root;
  std::vector<const std::vector<EntryLayout>*> groups = {&volume.entries};
  for (const LooseBlockLayout* block : looseBlocks) {
    plan.looseBlocks.push_back({header_ + static_cast<std::int64_t>(block->offset), block->layout});
    groups.push_back(&block->entries);
  }
  Result<std::vector<std::vector<ResolvedEntry>>> resolved = ResolveEntries(groups, keys_);
  if (!resolved) return resolved.error();
  plan.groups = std::move(*resolved);
  return plan;
}

// Each loose block goes with the first volume whose label it names.
Result<std::vector<std::vector<const LooseBlockLayout*>>> PoolWriter::looseBlocksByVolume() const {
  std::vector<std::vector<const LooseBlockLayout*>> byVolume(layout_.volumes.size());
  for (const LooseBlockLayout& block : layout_.looseBlocks) {
    const auto named = [&block](const VolumeLayout& volume) {
      return Label(volume.names) == block.volume;
    };
    const auto owner = std::find_if(layout_.volumes.begin(), layout_.volumes.end(), named);
    if (owner == layout_.volumes.end()) {
      return Error{"a loose block names volume \"" + block.volume + "\", which the pool lacks"};
    }
    byVolume[static_cast<std::size_t>(owner - layout_.volumes.begin())].push_back(&block);
  }
  return byVolume;
}

Result<std::vector<VolumePlan>> PoolWriter::planVolumes() {
  Result<std::vector<std::vector<const LooseBlockLayout*>>> looseBlocks = looseBlocksByVolume();
  if (!looseBlocks) return looseBlocks.error();
  KeyAllocator ids(kFirstVolumeId, ExplicitVolumeIds(layout_));
  std::vector<VolumePlan> plans;
  for (std::size_t i = 0; i < layout_.volumes.size(); ++i) {
    const VolumeLayout& volume = layout_.volumes[i];
    Result<VolumePlan> plan = planVolume(volume, ids, (*looseBlocks)[i]);
    if (!plan) return InContext("volume " + Label(volume.names), plan.error());
    plans.push_back(std::move(*plan));
  }
  return plans;
}

Status PoolWriter::writeVolumes(const std::vector<VolumePlan>& plans,
                                const VolumeDirectory& directory, ManifestPool& manifest) {
  DataWriter data(space_, poolBlocks_);
  for (std::size_t i = 0; i < plans.size(); ++i) {
    Result<ManifestVolume> volume = BuildVolume(plans[i], space_, data, keys_);
    if (!volume) return InContext("volume " + plans[i].label, volume.error());
    volume->recordOffset = directory.records[i].offset;
    volume->poolScanVolumeId = directory.records[i].poolScanVolumeId;
    manifest.volumes.push_back(std::move(*volume));
  }
  return {};
}

// Copies of the super block in later blocks: a pool scan must keep the first one it meets.
Status PoolWriter::writeExtraSuperBlocks(ManifestPool& manifest) {
  for (std::uint32_t i = 0; i < layout_.extraSuperBlocks; ++i) {
    Result<std::uint32_t> block = poolBlocks_.allocate(1);
    if (!block) return block.error();
    if (Status status = space_.writeBlock(*block, SuperBlock(true, anchor_, name_)); !status) {
      return status;
    }
    manifest.superBlockOffsets.push_back(space_.blockOffset(*block));
  }
  return {};
}

Status PoolWriter::writeGroupChain() {
  if (place_.segments.empty()) return {};
  std::vector<SegmentPlace> chain = {{place_.headerSector, place_.sizeSectors}};
  chain.insert(chain.end(), place_.segments.begin(), place_.segments.end());
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const std::uint32_t link =
        i + 1 < chain.size() ? chain[i + 1].startSector + nss::partition::kGroupHeaderSector : 0;
    const std::uint64_t start = chain[i].startSector;
    const ByteBuffer label =
        PoolLabel(chain[i].sizeSectors - nss::partition::kGroupHeaderSector, name_);
    Status status =
        space_.write(SectorOffset(start + nss::partition::kGroupHeaderSector), GroupHeader(link));
    if (!status ||
        !(status = space_.write(SectorOffset(start + nss::partition::kGroupLabelSector), label))) {
      return status;
    }
  }
  return {};
}

Status PoolWriter::writeFixedSectors(std::uint32_t firstDirectoryBlock) {
  const ByteBuffer label = PoolLabel(layout_.labelSectors.value_or(place_.sizeSectors), name_);
  const ByteBuffer anchor =
      BlockPointerSector(nss::anchor::kFirstDirectoryBlock, firstDirectoryBlock);
  for (Status status :
       {space_.write(header_ + static_cast<std::int64_t>(nss::partition::kPoolLabel), label),
        space_.write(poolBase_, SuperBlock(layout_.superBlock, anchor_, name_)),
        space_.writeBlock(anchor_, anchor), writeGroupChain()}) {
    if (!status) return status;
  }
  return {};
}

Result<ManifestPool> PoolWriter::build() {
  Result<std::uint32_t> anchor = poolBlocks_.allocate(1);
  if (!anchor) return anchor.error();
  anchor_ = *anchor;
  Result<std::vector<VolumePlan>> plans = planVolumes();
  if (!plans) return plans.error();
  Result<VolumeDirectory> directory = WriteVolumeDirectory(layout_, *plans, space_, poolBlocks_);
  if (!directory) return directory.error();
  ManifestPool manifest;
  manifest.name = layout_.name;
  manifest.headerOffset = header_;
  manifest.poolBase = poolBase_;
  manifest.superBlock = layout_.superBlock;
  if (layout_.superBlock) manifest.superBlockOffsets.push_back(poolBase_);
  manifest.anchorBlock = anchor_;
  Status status = writeVolumes(*plans, *directory, manifest);
  if (status) status = writeExtraSuperBlocks(manifest);
  if (status) status = writeFixedSectors(directory->firstBlock);
  if (!status) return status.error();
  return manifest;
}

std::uint64_t PoolWriter::sectorsUsed() const {
  std::int64_t end =
      std::max(kPoolStructuresEnd, space_.blockOffset(poolBlocks_.allocatedEnd()) - header_);
  for (const LooseBlockLayout& block : layout_.looseBlocks) {
    end = std::max(end, static_cast<std::int64_t>(block.offset) + kBlock);
  }
  return static_cast<std::uint64_t>((end + kSector - 1) / kSector);
}

Result<ManifestPool> BuildChecked(const PoolLayout& wanted, const PoolPlace& place,
                                  PoolWriter& writer) {
  if (Status status = CheckPoolPlace(wanted, place); !status) {
    return InContext("pool " + wanted.name, status.error());
  }
  Result<ManifestPool> built = writer.build();
  if (!built) return InContext("pool " + wanted.name, built.error());
  return built;
}

}  // namespace

Result<ManifestPool> BuildPool(const PoolLayout& wanted, const PoolPlace& place,
                               SparseFile& image) {
  PoolWriter writer(wanted, place, image);
  return BuildChecked(wanted, place, writer);
}

Result<std::uint64_t> PoolSectorsNeeded(const PoolLayout& wanted,
                                        const std::vector<std::uint32_t>& segmentSizes) {
  // Block numbers count from the pool's own super block, so the pool's place on the disk does
  // not change what it needs; the segments only need room of their own.
  constexpr std::uint32_t kRoomyPool = 0x40000000;
  PoolPlace place{0, kRoomyPool, {}};
  for (const std::uint32_t size : segmentSizes) place.segments.push_back({kRoomyPool, size});
  SparseFile nowhere = SparseFile::Discarding();
  PoolWriter writer(wanted, place, nowhere);
  Result<ManifestPool> built = BuildChecked(wanted, place, writer);
  if (!built) return built.error();
  return writer.sectorsUsed();
}

}  // namespace kestrel::mkimage
