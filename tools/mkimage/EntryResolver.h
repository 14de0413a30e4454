// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KeyAllocator.h"
#include "Layout.h"
#include "Status.h"

namespace kestrel::mkimage {

// An entry ready to be written: its key and the key of the folder that holds it.
struct ResolvedEntry {
  std::string path;
  EntryKind kind = EntryKind::File;
  std::uint64_t key = 0;
  std::uint64_t parentKey = 0;
  const EntryLayout* wanted = nullptr;  // nullptr: a folder made because a path needs it
};

// Resolves the entries of one volume, given as groups (the volume's own entries, then those of
// each loose block that carries its id); paths in any group may name folders of any group. Every
// entry gets its key (all ones when deleted) and the key of its parent folder (127 for the top
// folder). A folder that a path uses but no entry lists is made, in the group of its first
// child, just before that child.
Result<std::vector<std::vector<ResolvedEntry>>> ResolveEntries(
    const std::vector<const std::vector<EntryLayout>*>& groups, KeyAllocator& keys);

}  // namespace kestrel::mkimage
