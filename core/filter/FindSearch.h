// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filter/FindMatching.h"
#include "volume/FileTree.h"

// Find and F3: the search of a tree, folder by folder in depth-first order, for the next file
// whose name matches, and the position it resumes from.
namespace kestrel::filter {

inline constexpr std::string_view kFindLabel = "Enter file type(s) delimited by semi-colons";
inline constexpr std::string_view kFindCaption = "Find";
inline constexpr std::string_view kSearchNowCaption = "Search Now";
inline constexpr std::string_view kSearchingForText = "Searching for string %s";
inline constexpr std::string_view kPressF3Text = "Press F3 to search next";
// The notice `NoMatchingEntriesFound` shows (two trailing spaces included).
inline constexpr std::string_view kNoMatchingEntriesFoundText =
    "No more entries available in displayed directory tree.  ";

// Where the search stands in one tree. A fresh position starts at the top item; the owner of the
// tree resets it whenever the tree is rebuilt.
struct FindPosition {
  bool started = false;
  volume::FolderId m_findFolderItem = volume::kNoFolder;  // folder searched, or of the last match
  volume::RecordId m_findRecord = volume::kNoRecord;      // next record of its chain to test
  std::uint32_t m_findRow = 0;  // 1-based row of the last match in the folder's list
  std::uint32_t namedSeen = 0;  // named records of the chain tested so far
  bool ended = false;           // the walk came back to the top item
};

// A match: the folder to open and select, the file's head record and its 1-based row in the
// folder's list (child folders first, then the named records of the chain).
struct FindMatch {
  volume::FolderId folder = volume::kNoFolder;
  volume::RecordId record = volume::kNoRecord;
  std::uint32_t row = 0;
};

// F3: the next match after the position (from the top for a fresh one), the position moved past
// it. None when the walk has come back to the top item: every folder, shown or collapsed, has
// been searched, and the notice is due; later calls report the same until the position is reset.
std::optional<FindMatch> FindNext(const volume::FileTree& tree, const FindMatching& matching,
                                  FindPosition& position);

// The log report's line for a search of the UTF-8 text.
std::string SearchingForText(const std::string& findText);

// FIND: the search from the top item.
std::optional<FindMatch> FindFromTop(const volume::FileTree& tree, const FindMatching& matching,
                                     FindPosition& position);

}  // namespace kestrel::filter
