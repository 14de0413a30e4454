#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "volume/FileTree.h"
#include "volume/TreePaths.h"

namespace kestrel::cli {

// One entry of `ls --json` and `find --json`.
nlohmann::ordered_json EntryJson(const volume::FileTree& tree, const volume::TreeEntry& entry);

// `ls`: every folder and file, one per line, deleted entries marked.
void PrintTree(const volume::FileTree& tree, bool json, std::ostream& out);

}  // namespace kestrel::cli
