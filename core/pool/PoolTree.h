#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

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

  // Marks the volume items whose record key the volume directory does not list.
  void MarkDeletedVolumes(const std::set<std::uint64_t>& listedKeys);

 private:
  void AddVolumeItem(const volume::DecodedEntry& entry, std::uint64_t volumeId);
  void FileEntry(const volume::DecodedEntry& entry, std::uint64_t blockVolumeId);
  volume::FolderId OwningVolume(std::uint64_t blockVolumeId) const;

  volume::FileTree& tree_;
  std::vector<volume::FolderId> volumes_;  // in the order met
};

}  // namespace kestrel::pool
