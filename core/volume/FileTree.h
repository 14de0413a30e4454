// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "volume/ScanItem.h"

namespace kestrel::volume {

using FolderId = std::uint32_t;
inline constexpr FolderId kNoFolder = std::numeric_limits<FolderId>::max();

// The check image of a folder's tree item.
enum class CheckState : std::uint8_t { Unchecked = 0, Checked = 1, Partial = 2 };

// One folder item of the tree. Its record heads the folder's chain: the folder record, then each
// file head record in the order the scan met it, each followed by its continuation records.
// Sub-folders are child items, in the order the scan met them.
struct FolderNode {
  RecordId record = kNoRecord;
  RecordId lastRecord = kNoRecord;
  FolderId parent = kNoFolder;
  FolderId firstChild = kNoFolder;
  FolderId lastChild = kNoFolder;
  FolderId nextSibling = kNoFolder;
  FolderId scope = kNoFolder;  // the child of the top item that holds it (itself at depth 1)
  std::uint32_t depth = 0;     // the top item is at depth 0
  std::uint32_t ordinal = 0;   // position among its siblings
  CheckState check = CheckState::Unchecked;
  bool deletedVolume =
      false;  // a pool scan's volume item that the volume directory no longer lists
};

// What a scanner decoded from one record, as handed to InsertScanItem.
struct DecodedEntry {
  std::u16string name;
  std::uint64_t key = 0;
  std::uint64_t size = 0;
  std::uint64_t parentKey = 0;
  Extent firstExtent;
  std::vector<Extent> furtherExtents;
  bool sizeHighKnown = true;  // false for a size read back from a scan information file
};

// How an entry without a size is filed: a volume scan drops it when its name holds a "."; a pool
// scan files it as an empty file.
enum class ZeroSizeRule { DottedIsDropped, DottedIsFile };

// Found by the scan: files (not extents), folders (the top one not included), and the bytes of
// the files found.
struct TreeCounters {
  std::uint32_t fileCount = 0;
  std::uint32_t folderCount = 0;
  std::uint64_t totalSize = 0;
};

// What the user ticked. Signed: the displays show a count that went below zero as 0.
struct SelectionCounters {
  std::int64_t selectedFileCount = 0;
  std::int64_t selectedBytes = 0;
};

// The folders and files of one scan: a tree of folder items with a chain of records hanging off
// each, plus the orphan chain of entries met before their folder. A folder is found by its key
// through an index that keeps, for every key, the first folder in display order, so filing an
// entry costs the same in a tree of ten folders or of a million.
class FileTree {
 public:
  // A tree holding only its top item, whose record is root (key 127 for a volume).
  FileTree(std::u16string topLabel, ScanItem root);

  FolderId Top() const { return 0; }
  const FolderNode& Folder(FolderId id) const { return folders_[id]; }
  FolderNode& Folder(FolderId id) { return folders_[id]; }
  const ScanItem& Record(RecordId id) const { return records_[id]; }
  ScanItem& Record(RecordId id) { return records_[id]; }
  std::size_t FolderItemCount() const { return folders_.size(); }
  std::size_t RecordCount() const { return records_.size(); }

  // The item's text: its label where it has one (the top item, a pool's volume items), else the
  // folder record's name.
  const std::u16string& FolderText(FolderId id) const;
  void SetLabel(FolderId id, std::u16string label) { labels_[id] = std::move(label); }

  // Files one decoded entry the way a volume scan does: a size (or, for a size read back without
  // its high half, blocks) makes a file, neither a folder,
  // except that a size-0 entry whose name holds a "." is dropped (or, by the pool's rule, is an
  // empty file). An entry whose folder is not in the tree yet waits in the orphan chain.
  void InsertScanItem(DecodedEntry entry, ZeroSizeRule rule = ZeroSizeRule::DottedIsDropped);

  // Whether the records of entry still get ids of their own: ids never wrap onto records filed
  // earlier. An entry that does not fit is not filed.
  bool HasRoomFor(const DecodedEntry& entry) const {
    return records_.size() + 1 + entry.furtherExtents.size() < kNoRecord;
  }

  // The building blocks of the scans' filing rules. Records are made first, then filed into a
  // folder, or into the orphan chain.
  RecordId NewEntryRecords(DecodedEntry entry, bool folder);
  FolderId AddFolderItem(FolderId parent, RecordId record, bool counted = true);
  void AppendFile(FolderId folder, RecordId head);
  // scope: the child of the top item the entry belongs to (a pool scan's volume), or none. An
  // entry of a pool scan met before its volume's record gives the volume id its block carries
  // instead: its scope is then the first volume item with that id, when it is placed.
  void AddOrphan(RecordId head, bool folder, FolderId scope = kNoFolder,
                 std::optional<std::uint64_t> volumeId = std::nullopt);

  // Where an orphan goes when its folder never appeared.
  enum class OrphanFallback { LastFolder, TopItem };
  // Moves every orphan into the tree, in the order met. Its folder is looked for within its
  // scope first, where the top directory's key stands for the scope item itself, then over the
  // whole tree; failing both, the fallback decides and the orphan takes that folder's key.
  void PlaceOrphans(OrphanFallback fallback = OrphanFallback::LastFolder);
  void DiscardOrphans() { orphans_.clear(); }
  bool HasOrphans() const { return !orphans_.empty(); }

  // Pre-order: the item, its children, then the next sibling of the nearest ancestor that has
  // one. kNoFolder after the last item.
  FolderId NextInDisplayOrder(FolderId id) const;
  FolderId LastFolderInDisplayOrder() const { return lastInDisplayOrder_; }
  // The first folder in display order whose key equals key (all 64 bits), or kNoFolder.
  FolderId FindFolder(std::uint64_t key) const;
  // The same within the subtree of scope, a child of the top item.
  FolderId FindFolderWithin(FolderId scope, std::uint64_t key) const;
  bool IsBeforeInDisplayOrder(FolderId a, FolderId b) const;

  TreeCounters counters;
  SelectionCounters selection;
  bool filesFound = false;  // at least one file was filed: the selection buttons may be used

 private:
  struct Orphan {
    RecordId head;  // a folder record, or a file head record with its continuation records
    bool folder;
    FolderId scope;
    std::optional<std::uint64_t> volumeId;  // for a scope not known when it was met
  };

  struct ScopedKey {
    FolderId scope;
    std::uint64_t key;
    bool operator==(const ScopedKey&) const = default;
  };
  struct ScopedKeyHash {
    std::size_t operator()(const ScopedKey& k) const {
      return std::hash<std::uint64_t>{}(k.key * 31 + k.scope);
    }
  };

  RecordId NewRecord(ScanItem item);
  void PlaceOrphan(const Orphan& orphan, OrphanFallback fallback);
  FolderId FindParentOfOrphan(const Orphan& orphan) const;
  // The first volume item (a child of the top item whose record has no name) of each volume id.
  std::unordered_map<std::uint64_t, FolderId> VolumeItemsById() const;
  void IndexFolder(FolderId id);
  void ExtendLastSpine(FolderId parent, FolderId id);
  template <class Index, class Key>
  void KeepFirstInDisplayOrder(Index& index, const Key& key, FolderId id);

  std::deque<ScanItem> records_;
  std::vector<FolderNode> folders_;
  std::unordered_map<FolderId, std::u16string> labels_;
  std::unordered_map<std::uint64_t, FolderId> firstFolderByKey_;
  std::unordered_map<ScopedKey, FolderId, ScopedKeyHash> firstFolderByScopedKey_;
  std::deque<Orphan> orphans_;
  // The last folder in display order, and the folders from the top item down to it (each the
  // last child of the one before). A folder added under one of them becomes the last; the
  // folders below its parent then leave the spine for good, as children are only ever appended.
  // So both are kept up to date in constant amortised time, however deep the tree grows.
  FolderId lastInDisplayOrder_ = 0;
  std::vector<bool> onLastSpine_;
};

// The text a tree view shows for a folder item: its text, followed by " (deleted)" for a pool's
// volume that the volume directory no longer lists.
std::u16string ShownFolderText(const FileTree& tree, FolderId id);

// The last record of a file: its head, or its last continuation record.
RecordId LastRecordOfFile(const FileTree& tree, RecordId head);

}  // namespace kestrel::volume
