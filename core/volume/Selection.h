// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "volume/FileTree.h"
#include "volume/ListRows.h"
#include "volume/TreePaths.h"

// The selection rules of the browsing pages: ticking folders in the tree and rows in the list,
// "SEL ALL" and "Unselect", with the counters, check images, texts and button states they set.
namespace kestrel::volume {

// Buttons a selection gesture enables (true) or disables (false); absent: left as they were.
struct ButtonStates {
  std::optional<bool> selectAll;
  std::optional<bool> unselect;
  std::optional<bool> recover;
};

struct SelectionChange {
  std::string text;  // the selection text under the tree
  ButtonStates buttons;
};

// A record counts as a selected file only when it has a name and an extent; so folder and
// continuation records never count, and a file counts once however often it is selected.
void SelectRecord(FileTree& tree, RecordId record);
void UnselectRecord(FileTree& tree, RecordId record);

// Every record of the folder's chain and of every descendant's chain, depth first, with the
// folders' check images.
void SelectSubtree(FileTree& tree, FolderId folder);
void UnselectSubtree(FileTree& tree, FolderId folder);

// The check image of a folder in the tree was clicked.
SelectionChange ToggleFolder(FileTree& tree, FolderId folder);
// The check image of a row of the list of folder `current` was clicked.
SelectionChange ToggleRow(FileTree& tree, FolderId current, const RowRef& row);
SelectionChange SelectAll(FileTree& tree);
// Ticks each entry as a click on it would: a folder with its whole subtree, a file in its folder's
// list. Entries already ticked stay as they are.
void SelectEntries(FileTree& tree, const std::vector<TreeEntry>& entries);
SelectionChange UnselectAll(FileTree& tree);

// What is ticked, as paths in display order: a folder ticked whole stands for everything below it
// ("/" for the whole tree), else each file ticked.
std::vector<std::string> TickedPaths(const FileTree& tree);

// How the page that swaps its tree counts the selection: the volume page in whole megabytes, the
// pool page in bytes.
enum class SelectionUnit { Megabytes, Bytes };

// The page shows another tree: a masked one, where nothing is ticked, or the full one back with
// the ticks it had. The selection line from that tree's own counters, and the buttons they call
// for.
SelectionChange ShownTreeSelection(const FileTree& tree, SelectionUnit unit);

}  // namespace kestrel::volume
