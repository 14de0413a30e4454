// SPDX-License-Identifier: Apache-2.0
#include "volume/Selection.h"

#include <algorithm>

#include "app/SizeText.h"
#include "volume/TreeWalk.h"

namespace kestrel::volume {
namespace {

constexpr std::int64_t kBytesTextLimit = 0xFFFFF;  // up to this many bytes the text shows bytes

bool CountsAsFile(const ScanItem& record) {
  return !record.m_name.empty() && !record.IsFolderRecord();
}

template <class Visit>
void ForEachChild(const FileTree& tree, FolderId folder, Visit visit) {
  for (FolderId child = tree.Folder(folder).firstChild; child != kNoFolder;
       child = tree.Folder(child).nextSibling) {
    visit(child);
  }
}

void MarkSubtree(FileTree& tree, FolderId folder, bool select) {
  const auto mark = [&](FolderId f) {
    tree.Folder(f).check = select ? CheckState::Checked : CheckState::Unchecked;
    ForEachInChain(tree, f,
                   [&](RecordId r) { select ? SelectRecord(tree, r) : UnselectRecord(tree, r); });
  };
  WalkFolders(tree, folder, mark, [](FolderId) {});
}

std::string MegabytesText(std::int64_t count, double bytes) {
  return app::Format("Files Selected: %lld, size : %.2f MB", static_cast<long long>(count),
                     bytes / (1 << 20));
}

std::string BytesText(std::int64_t count, double bytes) {
  return app::Format("Files Selected: %lld, size : %.2f bytes", static_cast<long long>(count),
                     bytes);
}

std::string NothingText(const char* unit) {
  return app::Format("Files Selected: %d, size : %d %s", 0, 0, unit);
}

// Counts that fell below 1 show as 0 with 0.00.
std::string SelectedText(const SelectionCounters& counters, bool megabytes) {
  if (counters.selectedFileCount < 1) return megabytes ? MegabytesText(0, 0) : BytesText(0, 0);
  const auto bytes = static_cast<double>(counters.selectedBytes);
  return megabytes ? MegabytesText(counters.selectedFileCount, bytes)
                   : BytesText(counters.selectedFileCount, bytes);
}

std::string EverythingText(const FileTree& tree) {
  return MegabytesText(tree.counters.fileCount, static_cast<double>(tree.counters.totalSize));
}

// After a folder was ticked: each ancestor is partial while any child folder is not checked.
void CheckAncestorsAfterSelect(FileTree& tree, FolderId folder) {
  for (FolderId a = tree.Folder(folder).parent; a != kNoFolder; a = tree.Folder(a).parent) {
    bool allChecked = true;
    ForEachChild(tree, a, [&](FolderId child) {
      allChecked = allChecked && tree.Folder(child).check == CheckState::Checked;
    });
    tree.Folder(a).check = allChecked ? CheckState::Checked : CheckState::Partial;
  }
}

// After a folder was unticked: an ancestor with a child that is not unchecked is partial; one
// whose children are all unchecked follows its own files.
void CheckAncestorsAfterUnselect(FileTree& tree, FolderId folder) {
  for (FolderId a = tree.Folder(folder).parent; a != kNoFolder; a = tree.Folder(a).parent) {
    bool anyTicked = false;
    ForEachChild(tree, a, [&](FolderId child) {
      anyTicked = anyTicked || tree.Folder(child).check != CheckState::Unchecked;
    });
    if (anyTicked) {
      tree.Folder(a).check = CheckState::Partial;
      continue;
    }
    const RecordId last = tree.Folder(a).lastRecord;
    bool selectedBeforeLast = false;
    ForEachInChain(tree, a, [&](RecordId r) {
      selectedBeforeLast =
          selectedBeforeLast || (r != last && tree.Record(r).m_state == ItemState::Selected);
    });
    if (selectedBeforeLast) {
      tree.Folder(a).check = CheckState::Checked;
    } else if (tree.Record(last).m_state == ItemState::Unselected) {
      tree.Folder(a).check = CheckState::Unchecked;
    }
  }
}

std::string TreeToggleText(FileTree& tree, FolderId folder) {
  switch (tree.Folder(tree.Top()).check) {
    case CheckState::Checked:
      return EverythingText(tree);
    case CheckState::Partial:
      if (tree.selection.selectedBytes <= kBytesTextLimit)
        return SelectedText(tree.selection, false);
      return folder == tree.Top() ? EverythingText(tree) : SelectedText(tree.selection, true);
    case CheckState::Unchecked:
      break;
  }
  tree.selection.selectedFileCount = 0;
  return NothingText("bytes");
}

ButtonStates TreeToggleButtons(const FileTree& tree, FolderId folder) {
  ButtonStates buttons;
  buttons.recover = true;
  const CheckState check = tree.Folder(folder).check;
  const CheckState top = tree.Folder(tree.Top()).check;
  if (check != CheckState::Unchecked) {
    buttons.unselect = true;
    if (top == check) buttons.selectAll = false;
  } else {
    buttons.selectAll = true;
    if (top == CheckState::Unchecked) buttons.unselect = buttons.recover = false;
  }
  return buttons;
}

ItemState StateOfCheck(CheckState check) {
  switch (check) {
    case CheckState::Checked:
      return ItemState::Selected;
    case CheckState::Partial:
      return ItemState::Partial;
    case CheckState::Unchecked:
      break;
  }
  return ItemState::Unselected;
}

CheckState CheckOfState(ItemState state) {
  return state == ItemState::Selected ? CheckState::Checked : CheckState::Unchecked;
}

// A folder's check from the images of its list rows: all unselected, all selected, or partial.
CheckState CheckFromRows(const FileTree& tree, FolderId folder) {
  bool anySelected = false, anyOther = false;
  for (const RowRef& row : ListRowRefs(tree, folder)) {
    const ItemState state = tree.Record(row.record).m_state;
    anySelected = anySelected || state != ItemState::Unselected;
    anyOther = anyOther || state != ItemState::Selected;
  }
  if (!anySelected) return CheckState::Unchecked;
  return anyOther ? CheckState::Partial : CheckState::Checked;
}

void CheckAncestorsAfterRow(FileTree& tree, FolderId current, CheckState newCheck) {
  for (FolderId a = tree.Folder(current).parent; a != kNoFolder; a = tree.Folder(a).parent) {
    bool mixed = false;
    ForEachChild(tree, a, [&](FolderId child) {
      const CheckState check = tree.Folder(child).check;
      mixed = mixed || check == CheckState::Partial || check != newCheck;
    });
    tree.Folder(a).check = mixed ? CheckState::Partial : newCheck;
  }
}

std::string RowToggleText(const FileTree& tree) {
  if (tree.Folder(tree.Top()).check == CheckState::Unchecked) return NothingText("bytes");
  return SelectedText(tree.selection, tree.selection.selectedBytes > kBytesTextLimit);
}

ButtonStates RowToggleButtons(FileTree& tree) {
  FolderNode& top = tree.Folder(tree.Top());
  if (top.check != CheckState::Unchecked) return {true, true, true};
  const bool firstChildUnchecked =
      top.firstChild == kNoFolder || tree.Folder(top.firstChild).check == CheckState::Unchecked;
  if (firstChildUnchecked) return {true, false, false};
  top.check = CheckState::Partial;
  return {};
}

}  // namespace

void SelectRecord(FileTree& tree, RecordId record) {
  ScanItem& item = tree.Record(record);
  if (item.m_state != ItemState::Selected && CountsAsFile(item)) {
    tree.selection.selectedFileCount++;
    tree.selection.selectedBytes += static_cast<std::int64_t>(item.FullSize());
  }
  item.m_state = ItemState::Selected;
}

void UnselectRecord(FileTree& tree, RecordId record) {
  ScanItem& item = tree.Record(record);
  if (item.m_state == ItemState::Selected && CountsAsFile(item)) {
    tree.selection.selectedFileCount--;
    tree.selection.selectedBytes -= static_cast<std::int64_t>(item.FullSize());
  }
  item.m_state = ItemState::Unselected;
}

void SelectSubtree(FileTree& tree, FolderId folder) {
  MarkSubtree(tree, folder, true);
}
void UnselectSubtree(FileTree& tree, FolderId folder) {
  MarkSubtree(tree, folder, false);
}

SelectionChange ToggleFolder(FileTree& tree, FolderId folder) {
  if (tree.Folder(folder).check == CheckState::Unchecked) {
    SelectSubtree(tree, folder);
    CheckAncestorsAfterSelect(tree, folder);
  } else {
    UnselectSubtree(tree, folder);
    CheckAncestorsAfterUnselect(tree, folder);
  }
  return {TreeToggleText(tree, folder), TreeToggleButtons(tree, folder)};
}

SelectionChange ToggleRow(FileTree& tree, FolderId current, const RowRef& row) {
  ScanItem& item = tree.Record(row.record);
  const bool select = item.m_state == ItemState::Unselected;
  const auto size = static_cast<std::int64_t>(item.FullSize());
  if (item.m_size != 0 || item.m_sizeHigh != 0) {
    tree.selection.selectedFileCount += select ? 1 : -1;
    tree.selection.selectedBytes += select ? size : -size;
  }
  item.m_state = select ? ItemState::Selected : ItemState::Unselected;
  if (row.folder) select ? SelectSubtree(tree, row.folderId) : UnselectSubtree(tree, row.folderId);
  FolderNode& folder = tree.Folder(current);
  folder.check = CheckFromRows(tree, current);
  tree.Record(folder.record).m_state = StateOfCheck(folder.check);
  CheckAncestorsAfterRow(tree, current, CheckOfState(item.m_state));
  return {RowToggleText(tree), RowToggleButtons(tree)};
}

SelectionChange SelectAll(FileTree& tree) {
  SelectSubtree(tree, tree.Top());
  const FolderNode& top = tree.Folder(tree.Top());
  const bool anything = top.firstChild != kNoFolder || tree.Record(top.record).m_next != kNoRecord;
  tree.selection = {tree.counters.fileCount, static_cast<std::int64_t>(tree.counters.totalSize)};
  const bool megabytes = tree.counters.totalSize > kBytesTextLimit;
  const auto bytes = static_cast<double>(tree.counters.totalSize);
  std::string text = megabytes ? MegabytesText(tree.counters.fileCount, bytes)
                               : BytesText(tree.counters.fileCount, bytes);
  return {std::move(text), {false, true, anything}};
}

void SelectEntries(FileTree& tree, const std::vector<TreeEntry>& entries) {
  for (const TreeEntry& entry : entries) {
    if (entry.folder && tree.Folder(entry.folderId).check != CheckState::Checked) {
      if (tree.Folder(entry.folderId).check == CheckState::Partial)
        ToggleFolder(tree, entry.folderId);
      ToggleFolder(tree, entry.folderId);
    } else if (!entry.folder && tree.Record(entry.record).m_state != ItemState::Selected) {
      ToggleRow(tree, entry.folderId, {false, kNoFolder, entry.record});
    }
  }
}

SelectionChange UnselectAll(FileTree& tree) {
  UnselectSubtree(tree, tree.Top());
  tree.selection = {};
  return {NothingText("MB"), {true, false, false}};
}

// A tree with ticks shows them as a tick would (in whole megabytes, 156,070 bytes would read as
// 0 MB); one without shows the page's own 0 and 0.
SelectionChange ShownTreeSelection(const FileTree& tree, SelectionUnit unit) {
  const bool any = tree.selection.selectedFileCount > 0;
  std::string text =
      any ? SelectedText(tree.selection, tree.selection.selectedBytes > kBytesTextLimit)
      : unit == SelectionUnit::Megabytes ? app::Format("Files Selected: %d,Size : %d MB", 0, 0)
                                         : NothingText("bytes");
  return {std::move(text), {true, any, any}};
}

namespace {

// Which folders are ticked with every file below them. A folder's check image alone does not
// say so: it can be full while a file of its own list is not ticked.
std::vector<bool> WholeFolders(const FileTree& tree) {
  std::vector<bool> whole(tree.FolderItemCount(), false);
  WalkFolders(
      tree, tree.Top(), [](FolderId) {},
      [&](FolderId folder) {
        bool all = tree.Folder(folder).check != CheckState::Unchecked;
        ForEachInChain(tree, folder, [&](RecordId r) {
          const ScanItem& item = tree.Record(r);
          all = all && (!CountsAsFile(item) || item.m_state == ItemState::Selected);
        });
        ForEachChild(tree, folder, [&](FolderId child) { all = all && whole[child]; });
        whole[folder] = all;
      });
  return whole;
}

}  // namespace

std::vector<std::string> TickedPaths(const FileTree& tree) {
  const std::vector<bool> whole = WholeFolders(tree);
  if (whole[tree.Top()]) return {"/"};
  std::vector<std::string> paths;
  std::string wholeFolder;  // the last folder named whole; its entries follow it, inside it
  ForEachEntry(tree, [&](const TreeEntry& entry) {
    if (!wholeFolder.empty() && entry.path.starts_with(wholeFolder)) return;
    const bool ticked = entry.folder ? whole[entry.folderId]
                                     : tree.Record(entry.record).m_state == ItemState::Selected;
    if (!ticked) return;
    paths.push_back(entry.path);
    if (entry.folder) wholeFolder = entry.path + "/";
  });
  return paths;
}

}  // namespace kestrel::volume
