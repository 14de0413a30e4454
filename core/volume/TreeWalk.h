// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "volume/FileTree.h"

namespace kestrel::volume {

// Visits `from` and every folder below it in display order: enter(folder) on the way down,
// leave(folder) once its subtree is done. Iterative, because the orphans of a damaged disk can
// nest folders deeper than any call stack.
template <class Enter, class Leave>
void WalkFolders(const FileTree& tree, FolderId from, Enter enter, Leave leave) {
  FolderId at = from;
  enter(at);
  for (;;) {
    if (tree.Folder(at).firstChild != kNoFolder) {
      at = tree.Folder(at).firstChild;
      enter(at);
      continue;
    }
    for (;;) {
      leave(at);
      if (at == from) return;
      if (tree.Folder(at).nextSibling != kNoFolder) {
        at = tree.Folder(at).nextSibling;
        enter(at);
        break;
      }
      at = tree.Folder(at).parent;
    }
  }
}

// Every record of a folder's chain, its own folder record first.
template <class Visit>
void ForEachInChain(const FileTree& tree, FolderId folder, Visit visit) {
  for (RecordId r = tree.Folder(folder).record; r != kNoRecord; r = tree.Record(r).m_next) visit(r);
}

}  // namespace kestrel::volume
