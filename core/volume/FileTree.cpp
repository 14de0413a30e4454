// SPDX-License-Identifier: Apache-2.0
#include "volume/FileTree.h"

namespace kestrel::volume {
namespace {

bool HasDot(const std::u16string& name) {
  return name.find(u'.') != std::u16string::npos;
}

}  // namespace

FileTree::FileTree(std::u16string topLabel, ScanItem root) {
  const RecordId record = NewRecord(std::move(root));
  FolderNode top;
  top.record = top.lastRecord = record;
  folders_.push_back(top);
  onLastSpine_.push_back(true);
  labels_[Top()] = std::move(topLabel);
  IndexFolder(Top());
}

const std::u16string& FileTree::FolderText(FolderId id) const {
  const auto label = labels_.find(id);
  return label != labels_.end() ? label->second : records_[folders_[id].record].m_name;
}

RecordId FileTree::NewRecord(ScanItem item) {
  records_.push_back(std::move(item));
  return static_cast<RecordId>(records_.size() - 1);
}

// A folder record; or a file's head record followed by one continuation record per further
// extent.
RecordId FileTree::NewEntryRecords(DecodedEntry entry, bool folder) {
  ScanItem head;
  head.m_name = std::move(entry.name);
  head.m_parentKey = entry.parentKey;
  head.m_key = entry.key;
  if (folder) return NewRecord(std::move(head));
  head.SetFullSize(entry.size);
  head.m_sizeHighKnown = entry.sizeHighKnown;
  head.m_extentBlocks = entry.firstExtent.blocks;
  head.m_extentStart = entry.firstExtent.start;
  const RecordId first = NewRecord(head);
  RecordId previous = first;
  for (const Extent& extent : entry.furtherExtents) {
    ScanItem continuation = head;
    continuation.m_name.clear();
    continuation.m_extentBlocks = extent.blocks;
    continuation.m_extentStart = extent.start;
    const RecordId next = NewRecord(std::move(continuation));
    records_[previous].m_next = next;
    previous = next;
  }
  return first;
}

void FileTree::InsertScanItem(DecodedEntry entry, ZeroSizeRule rule) {
  const bool dotted = HasDot(entry.name);
  // A size read back from a scan information file keeps only its low 32 bits: a file of an exact
  // multiple of 4 GiB comes back with size 0, and its blocks still tell it from a folder.
  const bool sizeWrapped = !entry.sizeHighKnown && entry.firstExtent.blocks != 0;
  const bool file =
      entry.size != 0 || sizeWrapped || (dotted && rule == ZeroSizeRule::DottedIsFile);
  if ((!file && (dotted || entry.name.empty())) || !HasRoomFor(entry)) return;
  const FolderId parent = FindFolder(entry.parentKey);
  const RecordId head = NewEntryRecords(std::move(entry), !file);
  if (parent == kNoFolder) {
    AddOrphan(head, !file);
  } else if (file) {
    AppendFile(parent, head);
  } else {
    AddFolderItem(parent, head);
  }
}

void FileTree::AppendFile(FolderId folder, RecordId head) {
  FolderNode& node = folders_[folder];
  records_[node.lastRecord].m_next = head;
  node.lastRecord = LastRecordOfFile(*this, head);
  records_[node.lastRecord].m_next = kNoRecord;
  counters.fileCount++;
  counters.totalSize += records_[head].FullSize();
  filesFound = true;
}

FolderId FileTree::AddFolderItem(FolderId parent, RecordId record, bool counted) {
  const auto id = static_cast<FolderId>(folders_.size());
  FolderNode node;
  node.record = node.lastRecord = record;
  node.parent = parent;
  node.depth = folders_[parent].depth + 1;
  node.scope = node.depth == 1 ? id : folders_[parent].scope;
  ExtendLastSpine(parent, id);
  FolderNode& parentNode = folders_[parent];
  if (parentNode.lastChild == kNoFolder) {
    parentNode.firstChild = id;
  } else {
    node.ordinal = folders_[parentNode.lastChild].ordinal + 1;
    folders_[parentNode.lastChild].nextSibling = id;
  }
  parentNode.lastChild = id;
  records_[record].m_next = kNoRecord;
  folders_.push_back(node);
  IndexFolder(id);
  if (counted) counters.folderCount++;
  return id;
}

void FileTree::AddOrphan(RecordId head, bool folder, FolderId scope,
                         std::optional<std::uint64_t> volumeId) {
  orphans_.push_back({head, folder, scope, volumeId});
}

void FileTree::ExtendLastSpine(FolderId parent, FolderId id) {
  const bool last = onLastSpine_[parent];
  onLastSpine_.push_back(last);
  if (!last) return;
  for (FolderId below = folders_[parent].lastChild; below != kNoFolder;
       below = folders_[below].lastChild)
    onLastSpine_[below] = false;
  lastInDisplayOrder_ = id;
}

template <class Index, class Key>
void FileTree::KeepFirstInDisplayOrder(Index& index, const Key& key, FolderId id) {
  const auto [existing, inserted] = index.try_emplace(key, id);
  if (!inserted && IsBeforeInDisplayOrder(id, existing->second)) existing->second = id;
}

void FileTree::IndexFolder(FolderId id) {
  const std::uint64_t key = records_[folders_[id].record].m_key;
  KeepFirstInDisplayOrder(firstFolderByKey_, key, id);
  if (folders_[id].scope != kNoFolder)
    KeepFirstInDisplayOrder(firstFolderByScopedKey_, ScopedKey{folders_[id].scope, key}, id);
}

void FileTree::PlaceOrphans(OrphanFallback fallback) {
  const auto volumeItems = VolumeItemsById();
  while (!orphans_.empty()) {
    Orphan orphan = orphans_.front();
    orphans_.pop_front();
    if (orphan.scope == kNoFolder && orphan.volumeId) {
      const auto item = volumeItems.find(*orphan.volumeId);
      if (item != volumeItems.end()) orphan.scope = item->second;
    }
    PlaceOrphan(orphan, fallback);
  }
}

std::unordered_map<std::uint64_t, FolderId> FileTree::VolumeItemsById() const {
  std::unordered_map<std::uint64_t, FolderId> items;
  for (FolderId child = folders_[Top()].firstChild; child != kNoFolder;
       child = folders_[child].nextSibling) {
    const ScanItem& record = records_[folders_[child].record];
    if (record.m_name.empty()) items.try_emplace(record.m_volumeId, child);
  }
  return items;
}

FolderId FileTree::FindParentOfOrphan(const Orphan& orphan) const {
  const std::uint64_t key = records_[orphan.head].m_parentKey;
  if (orphan.scope != kNoFolder) {
    if (key == kTopDirectoryKey) return orphan.scope;
    if (const FolderId within = FindFolderWithin(orphan.scope, key); within != kNoFolder)
      return within;
  }
  return FindFolder(key);
}

// The orphan takes the key of the folder it is placed in as its parent key, so that a scan saved
// and loaded again files it in the same place.
void FileTree::PlaceOrphan(const Orphan& orphan, OrphanFallback fallback) {
  FolderId parent = FindParentOfOrphan(orphan);
  if (parent == kNoFolder)
    parent = fallback == OrphanFallback::TopItem ? Top() : LastFolderInDisplayOrder();
  const std::uint64_t key = records_[folders_[parent].record].m_key;
  for (RecordId r = orphan.head; r != kNoRecord; r = records_[r].m_next)
    records_[r].m_parentKey = key;
  if (orphan.folder) {
    AddFolderItem(parent, orphan.head);
  } else {
    AppendFile(parent, orphan.head);
  }
}

FolderId FileTree::NextInDisplayOrder(FolderId id) const {
  if (folders_[id].firstChild != kNoFolder) return folders_[id].firstChild;
  for (FolderId at = id; at != kNoFolder; at = folders_[at].parent) {
    if (folders_[at].nextSibling != kNoFolder) return folders_[at].nextSibling;
  }
  return kNoFolder;
}

FolderId FileTree::FindFolder(std::uint64_t key) const {
  const auto found = firstFolderByKey_.find(key);
  return found == firstFolderByKey_.end() ? kNoFolder : found->second;
}

FolderId FileTree::FindFolderWithin(FolderId scope, std::uint64_t key) const {
  const auto found = firstFolderByScopedKey_.find({scope, key});
  return found == firstFolderByScopedKey_.end() ? kNoFolder : found->second;
}

bool FileTree::IsBeforeInDisplayOrder(FolderId a, FolderId b) const {
  if (a == b || a == lastInDisplayOrder_) return false;  // the common case costs no walk
  FolderId x = a, y = b;
  while (folders_[x].depth > folders_[y].depth) x = folders_[x].parent;
  while (folders_[y].depth > folders_[x].depth) y = folders_[y].parent;
  if (x == y) return x == a;  // an ancestor comes before its descendants
  while (folders_[x].parent != folders_[y].parent) {
    x = folders_[x].parent;
    y = folders_[y].parent;
  }
  return folders_[x].ordinal < folders_[y].ordinal;
}

RecordId LastRecordOfFile(const FileTree& tree, RecordId head) {
  RecordId last = head;
  for (RecordId next = tree.Record(last).m_next;
       next != kNoRecord && tree.Record(next).IsContinuation(); next = tree.Record(last).m_next) {
    last = next;
  }
  return last;
}

std::u16string ShownFolderText(const FileTree& tree, FolderId id) {
  const std::u16string& text = tree.FolderText(id);
  return tree.Folder(id).deletedVolume ? text + u" (deleted)" : text;
}

}  // namespace kestrel::volume
