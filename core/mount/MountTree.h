// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "volume/FileTree.h"

// A scanned tree as a folder tree that a file system can serve: every folder and file with a
// name that is one path component, unique in its folder, and a 64-bit size.
namespace kestrel::mount {

using NodeId = std::uint32_t;

// A volume of a million files has a million nodes: the members are ordered to leave no padding.
struct MountNode {
  std::string name;        // empty for the top folder
  std::uint64_t size = 0;  // a file's bytes, cut as its data are cut
  NodeId parent = 0;
  NodeId firstChild = 0;  // a folder's entries are the nodes firstChild .. + childCount - 1
  std::uint32_t childCount = 0;
  std::uint32_t folderCount = 0;                // how many of them are folders
  volume::RecordId record = volume::kNoRecord;  // a file's head record, or a folder's record
  bool folder = false;
  bool deleted = false;  // a deleted entry, or a pool's volume the volume directory no longer lists
};

class MountTree {
 public:
  // The top folder is the tree's top item: a volume's top folder, or in a pool scan the folder
  // holding one folder per volume. Each folder lists its sub-folders, then its files, in the
  // order the tree shows them.
  explicit MountTree(const volume::FileTree& tree);

  static constexpr NodeId Top() { return 0; }
  const MountNode& Node(NodeId id) const { return nodes_[id]; }
  std::size_t NodeCount() const { return nodes_.size(); }

  // The entry of the folder with exactly that name.
  std::optional<NodeId> Lookup(NodeId folder, std::string_view name) const;
  // The node at a "/"-separated path from the top folder ("/" is the top folder itself).
  std::optional<NodeId> Find(std::string_view path) const;
  // The path of a node from the top folder, as Find takes it.
  std::string PathOf(NodeId id) const;

 private:
  void AddEntries(const volume::FileTree& tree, NodeId folder, volume::FolderId item,
                  std::vector<std::pair<NodeId, volume::FolderId>>& pending);

  std::vector<MountNode> nodes_;
  // For each folder, its entries sorted by name at the positions its entries take in nodes_.
  std::vector<NodeId> byName_;
};

}  // namespace kestrel::mount
