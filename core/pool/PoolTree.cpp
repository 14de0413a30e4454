// SPDX-License-Identifier: Apache-2.0
#include "pool/PoolTree.h"

#include "disk/VolumeDirectory.h"

#include <algorithm>

namespace kestrel::pool {
namespace {

using volume::FolderId;
using volume::kNoFolder;

constexpr std::u16string_view kNeverFiled = u"LogicalVolumes";

bool HasDot(const std::u16string& name) {
  return name.find(u'.') != std::u16string::npos;
}

}  // namespace

volume::FileTree NewPoolTree() {
  volume::ScanItem root;
  root.m_key = kPoolItemKey;
  root.m_state = volume::ItemState::None;
  return volume::FileTree(u"pool", std::move(root));
}

void PoolFiler::File(const PoolRecord& record, std::uint64_t blockVolumeId) {
  for (const auto& entry : record.entries) {
    if (entry.name == kNeverFiled || !tree_.HasRoomFor(entry)) continue;
    if (record.volumeRecord) {
      AddVolumeItem(entry, record.volumeId);
    } else {
      FileEntry(entry, blockVolumeId);
    }
  }
}

// A volume item: a folder item under "pool", named by the record's names, whose own record has
// no name and keeps the volume id. It counts as nothing. Its parent key is the pool item's, so
// that a saved scan loads it under "pool" again.
void PoolFiler::AddVolumeItem(const volume::DecodedEntry& entry, std::uint64_t volumeId) {
  volume::DecodedEntry unnamed = entry;
  unnamed.name.clear();
  unnamed.parentKey = kPoolItemKey;
  const volume::RecordId record = tree_.NewEntryRecords(unnamed, true);
  tree_.Record(record).m_volumeId = volumeId;
  const FolderId item = tree_.AddFolderItem(tree_.Top(), record, false);
  tree_.SetLabel(item, entry.name);
  volumes_.push_back(item);
}

FolderId PoolFiler::OwningVolume(std::uint64_t blockVolumeId) const {
  const auto owner = std::find_if(volumes_.begin(), volumes_.end(), [&](FolderId volume) {
    return tree_.Record(tree_.Folder(volume).record).m_volumeId == blockVolumeId;
  });
  return owner == volumes_.end() ? kNoFolder : *owner;
}

// An entry is a file when it has a size or a "." in its name. It goes into its volume (the one
// whose id its block carries), looked for by key within that volume; the volume's top directory
// is the volume item itself. A folder whose parent is not there goes directly under the volume
// item; a file waits in the orphan chain.
void PoolFiler::FileEntry(const volume::DecodedEntry& entry, std::uint64_t blockVolumeId) {
  const bool file = entry.size != 0 || HasDot(entry.name);
  if (!file && entry.name.empty()) return;
  const volume::RecordId head = tree_.NewEntryRecords(entry, !file);
  const FolderId owner = OwningVolume(blockVolumeId);
  if (owner == kNoFolder) {
    const FolderId parent =
        volumes_.empty() && !file ? tree_.FindFolder(entry.parentKey) : kNoFolder;
    if (parent == kNoFolder) {
      tree_.AddOrphan(head, !file, kNoFolder, blockVolumeId);
    } else {
      tree_.AddFolderItem(parent, head);
    }
    return;
  }
  FolderId parent = kNoFolder;
  if (tree_.Folder(owner).firstChild != kNoFolder) {
    parent = entry.parentKey == volume::kTopDirectoryKey
                 ? owner
                 : tree_.FindFolderWithin(owner, entry.parentKey);
  }
  if (parent == kNoFolder && !file) parent = owner;
  if (parent == kNoFolder) {
    tree_.AddOrphan(head, false, owner);
    return;
  }
  // The entry takes the key of the folder it is filed in, so that a saved scan loads the same way.
  for (volume::RecordId r = head; r != volume::kNoRecord; r = tree_.Record(r).m_next) {
    tree_.Record(r).m_parentKey = tree_.Record(tree_.Folder(parent).record).m_key;
  }
  if (file) {
    tree_.AppendFile(parent, head);
  } else {
    tree_.AddFolderItem(parent, head);
  }
}

void MarkDeletedVolumes(volume::FileTree& tree, const std::vector<FolderId>& volumeItems,
                        const std::set<std::uint64_t>& listedKeys) {
  for (const FolderId item : volumeItems) {
    tree.Folder(item).deletedVolume =
        listedKeys.count(tree.Record(tree.Folder(item).record).m_key) == 0;
  }
}

std::set<std::uint64_t> ListedVolumeKeys(const disk::DiskReader& reader,
                                         std::int64_t superBlockOffset) {
  std::set<std::uint64_t> keys;
  const auto superBlock = disk::ReadSectorOrZeros(reader, superBlockOffset);
  for (const auto& volume : disk::ListPoolVolumes(reader, superBlockOffset, superBlock))
    keys.insert(volume.key);
  return keys;
}

}  // namespace kestrel::pool
