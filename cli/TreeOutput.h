// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "volume/FileTree.h"
#include "volume/TreePaths.h"
#include "volume/UnreadAreas.h"

namespace kestrel::cli {

// One entry of `ls --json` and `find --json`.
nlohmann::ordered_json EntryJson(const volume::FileTree& tree, const volume::TreeEntry& entry);

// How `ls` lays a map of unread areas over the files it lists.
struct UnreadMarks {
  const volume::UnreadAreas& areas;
  std::int64_t poolBase = 0;
  bool damagedOnly = false;  // list only the files that hold unread bytes
};

// `ls`: every folder and file, one per line, deleted entries marked, and with a map the bytes of
// each file never read. Returns how many files hold such bytes.
std::uint64_t PrintTree(const volume::FileTree& tree, bool json, std::ostream& out,
                        const std::optional<UnreadMarks>& marks = std::nullopt);

}  // namespace kestrel::cli
