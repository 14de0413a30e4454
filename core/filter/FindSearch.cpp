// SPDX-License-Identifier: Apache-2.0
#include "filter/FindSearch.h"

#include "app/SizeText.h"

namespace kestrel::filter {
namespace {

using volume::FileTree;
using volume::FolderId;
using volume::kNoRecord;
using volume::RecordId;

std::uint32_t ChildFolderCount(const FileTree& tree, FolderId folder) {
  std::uint32_t count = 0;
  for (FolderId child = tree.Folder(folder).firstChild; child != volume::kNoFolder;
       child = tree.Folder(child).nextSibling) {
    ++count;
  }
  return count;
}

void EnterFolder(const FileTree& tree, FolderId folder, FindPosition& position) {
  position.m_findFolderItem = folder;
  position.m_findRecord = tree.Record(tree.Folder(folder).record).m_next;
  position.namedSeen = 0;
}

// Tests the rest of the current folder's chain.
std::optional<FindMatch> SearchChain(const FileTree& tree, const FindMatching& matching,
                                     FindPosition& position) {
  for (RecordId r = position.m_findRecord; r != kNoRecord; r = tree.Record(r).m_next) {
    const volume::ScanItem& record = tree.Record(r);
    if (record.IsContinuation()) continue;
    ++position.namedSeen;
    if (!matching.Matches(record.m_name)) continue;
    const FolderId folder = position.m_findFolderItem;
    position.m_findRecord = record.m_next;
    position.m_findRow = ChildFolderCount(tree, folder) + position.namedSeen;
    return FindMatch{folder, r, position.m_findRow};
  }
  position.m_findRecord = kNoRecord;
  return std::nullopt;
}

}  // namespace

std::optional<FindMatch> FindNext(const FileTree& tree, const FindMatching& matching,
                                  FindPosition& position) {
  if (!position.started) {
    position.started = true;
    EnterFolder(tree, tree.Top(), position);
  }
  while (!position.ended) {
    if (auto match = SearchChain(tree, matching, position)) return match;
    const FolderId next = tree.NextInDisplayOrder(position.m_findFolderItem);
    if (next == volume::kNoFolder) {
      position.ended = true;
    } else {
      EnterFolder(tree, next, position);
    }
  }
  return std::nullopt;
}

std::optional<FindMatch> FindFromTop(const FileTree& tree, const FindMatching& matching,
                                     FindPosition& position) {
  position = {};
  return FindNext(tree, matching, position);
}

std::string SearchingForText(const std::string& findText) {
  return app::Format(kSearchingForText.data(), findText.c_str());
}

}  // namespace kestrel::filter
