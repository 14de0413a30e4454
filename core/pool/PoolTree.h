// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "disk/DiskReader.h"
#include "volume/FileTree.h"

// The tree of a pool scan: a top item "pool", one item per volume record met, and every other
// entry filed under the volume that owns the tree block it was found in.
namespace kestrel::pool {

inline constexpr std::uint64_t kPoolItemKey = 128;

volume::FileTree NewPoolTree();

// One decoded record of a tree block, with what the pool's filing rules look at.
struct PoolRecord {
  std::vector<volume::DecodedEntry> entries;
  bool volumeRecord = false;   // the ASCII digit "3" right after the record's "ND" mark
  std::uint64_t volumeId = 0;  // of a volume record: the id its volume's tree blocks carry
};

class PoolFiler {
 public:
  explicit PoolFiler(volume::FileTree& tree) : tree_(tree) {}

  // Files what a record of a tree block carrying blockVolumeId decoded to.
  void File(const PoolRecord& record, std::uint64_t blockVolumeId);

  const std::vector<volume::FolderId>& volumes() const { return volumes_; }

 private:
  void AddVolumeItem(const volume::DecodedEntry& entry, std::uint64_t volumeId);
  void FileEntry(const volume::DecodedEntry& entry, std::uint64_t blockVolumeId);
  volume::FolderId OwningVolume(std::uint64_t blockVolumeId) const;

  volume::FileTree& tree_;
  std::vector<volume::FolderId> volumes_;  // in the order met
};

// Marks the volume items whose record key the volume directory does not list.
void MarkDeletedVolumes(volume::FileTree& tree, const std::vector<volume::FolderId>& volumeItems,
                        const std::set<std::uint64_t>& listedKeys);

// The keys of the volume records the pool's volume directory lists, its super block at offset.
std::set<std::uint64_t> ListedVolumeKeys(const disk::DiskReader& reader,
                                         std::int64_t superBlockOffset);

}  // namespace kestrel::pool
