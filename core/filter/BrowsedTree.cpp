// SPDX-License-Identifier: Apache-2.0
#include "filter/BrowsedTree.h"

namespace kestrel::filter {

void BrowsedTree::ShowMasked(volume::FileTree masked) {
  if (!m_allItems) m_allItems.emplace(std::move(shown_));
  shown_ = std::move(masked);
  find_ = {};
}

void BrowsedTree::Unmask() {
  if (!m_allItems) return;
  shown_ = std::move(*m_allItems);
  m_allItems.reset();
  find_ = {};
}

void BrowsedTree::Replace(volume::FileTree tree) {
  shown_ = std::move(tree);
  m_allItems.reset();
  find_ = {};
}

}  // namespace kestrel::filter
