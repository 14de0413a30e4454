// SPDX-License-Identifier: Apache-2.0
#include "mount/MountTree.h"

#include <algorithm>

#include "mount/EntryNames.h"
#include "volume/FileData.h"
#include "volume/ListRows.h"

namespace kestrel::mount {

// Breadth first, so that the entries of each folder are neighbours in nodes_; iterative, as
// the orphans of a damaged disk can nest folders deeper than any call stack.
MountTree::MountTree(const volume::FileTree& tree) {
  // Room for every node at once: each entry has a record of its own, and a pool's volume a folder.
  // Grown step by step, the nodes of a million files would be held twice while they move; room
  // that stays unused is never touched, so it takes no memory.
  nodes_.reserve(tree.RecordCount() + tree.FolderItemCount() + 1);
  MountNode top;
  top.folder = true;
  top.record = tree.Folder(tree.Top()).record;
  nodes_.push_back(std::move(top));
  std::vector<std::pair<NodeId, volume::FolderId>> pending{{Top(), tree.Top()}};
  for (std::size_t next = 0; next < pending.size(); ++next) {
    const auto [folder, item] = pending[next];
    AddEntries(tree, folder, item, pending);
  }
  byName_.resize(nodes_.size());
  for (NodeId id = 0; id < nodes_.size(); ++id) byName_[id] = id;
  for (const MountNode& node : nodes_) {
    const auto first = byName_.begin() + node.firstChild;
    std::sort(first, first + node.childCount,
              [this](NodeId a, NodeId b) { return nodes_[a].name < nodes_[b].name; });
  }
}

void MountTree::AddEntries(const volume::FileTree& tree, NodeId folder, volume::FolderId item,
                           std::vector<std::pair<NodeId, volume::FolderId>>& pending) {
  const std::vector<volume::RowRef> rows = volume::ListRowRefs(tree, item);
  std::vector<EntryName> names;
  names.reserve(rows.size());
  for (const volume::RowRef& row : rows) {
    const bool deleted = tree.Record(row.record).IsDeleted() ||
                         (row.folder && tree.Folder(row.folderId).deletedVolume);
    names.push_back(
        {row.folder ? tree.FolderText(row.folderId) : tree.Record(row.record).m_name, deleted});
  }
  std::vector<std::string> shown = FolderEntryNames(names);
  nodes_[folder].firstChild = static_cast<NodeId>(nodes_.size());
  nodes_[folder].childCount = static_cast<std::uint32_t>(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    MountNode node;
    node.name = std::move(shown[i]);
    node.parent = folder;
    node.record = rows[i].record;
    node.folder = rows[i].folder;
    node.deleted = names[i].deleted;
    if (node.folder) {
      nodes_[folder].folderCount++;
      pending.emplace_back(static_cast<NodeId>(nodes_.size()), rows[i].folderId);
    } else {
      node.size = volume::FileDataSize(tree, rows[i].record);
    }
    nodes_.push_back(std::move(node));
  }
}

std::optional<NodeId> MountTree::Lookup(NodeId folder, std::string_view name) const {
  const MountNode& node = nodes_[folder];
  if (!node.folder) return std::nullopt;
  const auto first = byName_.begin() + node.firstChild;
  const auto last = first + node.childCount;
  const auto found = std::lower_bound(
      first, last, name,
      [this](NodeId id, std::string_view wanted) { return nodes_[id].name < wanted; });
  if (found == last || nodes_[*found].name != name) return std::nullopt;
  return *found;
}

std::optional<NodeId> MountTree::Find(std::string_view path) const {
  NodeId at = Top();
  while (!path.empty()) {
    const auto separator = path.find('/');
    const std::string_view component = path.substr(0, separator);
    path = separator == std::string_view::npos ? std::string_view{} : path.substr(separator + 1);
    if (component.empty()) continue;
    const auto found = Lookup(at, component);
    if (!found) return std::nullopt;
    at = *found;
  }
  return at;
}

std::string MountTree::PathOf(NodeId id) const {
  if (id == Top()) return "/";
  std::string path;
  for (NodeId at = id; at != Top(); at = nodes_[at].parent) path = "/" + nodes_[at].name + path;
  return path;
}

}  // namespace kestrel::mount
