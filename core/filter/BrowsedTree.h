// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "filter/FindSearch.h"
#include "volume/FileTree.h"

namespace kestrel::filter {

// The tree a browsing page shows, full or masked, with the full tree kept aside while a mask is
// shown, and the position of the page's search. Every change of the tree shown goes through
// here, and each resets the search: a position never outlives the tree it was taken in.
class BrowsedTree {
 public:
  explicit BrowsedTree(volume::FileTree tree) : shown_(std::move(tree)) {}

  volume::FileTree& Shown() { return shown_; }
  const volume::FileTree& Shown() const { return shown_; }
  // The whole scan, masked or not.
  const volume::FileTree& Full() const { return m_allItems ? *m_allItems : shown_; }
  bool IsMasked() const { return m_allItems.has_value(); }
  FindPosition& Find() { return find_; }

  // Shows the tree a mask run built; the full tree waits for Unmask. A mask of a masked view
  // still unmasks to the full tree.
  void ShowMasked(volume::FileTree masked);
  // Back to the full tree exactly as it was: its counts, ticks and selection counters.
  void Unmask();
  // A new scan or a replayed one; any mask is forgotten.
  void Replace(volume::FileTree tree);

 private:
  volume::FileTree shown_;
  std::optional<volume::FileTree> m_allItems;
  FindPosition find_;
};

}  // namespace kestrel::filter
