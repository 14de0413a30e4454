// SPDX-License-Identifier: Apache-2.0
#include "disk/VolumeDirectory.h"

#include <unordered_set>

#include "disk/NameBlock.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"

namespace kestrel::disk {
namespace {

bool IsNamedObjectKind(std::uint16_t kind) {
  return kind == 1 || kind == 2;
}

bool IsVolumeNameSpace(std::uint16_t id) {
  return id == layout::kNameSpaceOneName || id == layout::kNameSpaceTwoNames ||
         id == layout::kNameSpaceThreeNames;
}

class DirectoryWalk {
 public:
  void VisitBlock(ByteView block) {
    const BlockLayout blockLayout = TreeBlockLayout(block).layout;
    ForEachRecord(block, [&](ByteView area, std::size_t h) { VisitRecord(area, h, blockLayout); });
  }

  std::vector<DirectoryVolume> TakeVolumes() { return std::move(volumes_); }

 private:
  void VisitRecord(ByteView area, std::size_t h, BlockLayout blockLayout) {
    const std::uint16_t kind = ReadU16(area, h + layout::kRecordKind);
    if (!IsNamedObjectKind(kind)) return;
    if (!metPoolObject_) {
      metPoolObject_ = true;
      return;
    }
    const NameBlock names = ReadNameBlock(area, h + layout::kRecordNameSpace);
    if (!IsVolumeNameSpace(names.nameSpaceId)) return;
    DirectoryVolume volume;
    volume.names = names.names;
    volume.key = ReadU64(area, h + layout::kRecordKey);
    volume.info = CopyVolumeInfo(area, LocateVolumeInfo(area, names.end, blockLayout, kind));
    volume.rootBlock = VolumeRootBlock(volume.info);
    volumes_.push_back(std::move(volume));
  }

  bool metPoolObject_ = false;
  std::vector<DirectoryVolume> volumes_;
};

}  // namespace

std::vector<DirectoryVolume> ListDirectoryVolumes(const DiskReader& reader, std::int64_t poolBase,
                                                  std::uint32_t firstBlock) {
  DirectoryWalk walk;
  std::unordered_set<std::uint32_t> visited;
  BlockBuffer block{};
  for (std::uint32_t n = firstBlock; n != layout::kNoBlock && visited.insert(n).second;
       n = TreeBlockLink(block)) {
    if (!reader.ReadBlock(poolBase, n, block)) {
      reader.CountZeroedSectors(block.size() / layout::kSectorSize);  // the rest is missing
      break;
    }
    walk.VisitBlock(block);
  }
  return walk.TakeVolumes();
}

std::vector<DirectoryVolume> ListPoolVolumes(const DiskReader& reader, std::int64_t poolBase,
                                             std::span<const std::uint8_t> superBlock) {
  SectorBuffer anchor{};
  if (!reader.ReadBlock(poolBase, VolumeDirectoryAnchorBlock(superBlock), anchor)) {
    reader.CountZeroedSectors(1);
    return {};
  }
  return ListDirectoryVolumes(reader, poolBase, FirstChainBlock(anchor));
}

}  // namespace kestrel::disk
