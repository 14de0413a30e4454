// SPDX-License-Identifier: Apache-2.0
#include "mount/EntryNames.h"

#include <unordered_set>

#include "destination/Conflicts.h"
#include "destination/NameSafety.h"

namespace kestrel::mount {
namespace {

// The safe name between a prefix and a suffix, shortened so that the whole fits a name's limit.
std::string Fitted(const std::string& prefix, const EntryName& entry) {
  const std::string_view suffix = entry.deleted ? kDeletedSuffix : std::string_view{};
  destination::NameRules rules = destination::LocalDestination("").Rules();
  rules.maxBytes -= prefix.size() + suffix.size();
  return prefix + destination::MakeSafeName(entry.name, rules).name + std::string(suffix);
}

}  // namespace

// Every entry first claims its own name, so that a name from disk that looks like a copy's keeps
// it; only then are the clashing ones numbered. Each number makes a different name, so a free
// one is found within as many tries as the folder has entries.
std::vector<std::string> FolderEntryNames(std::span<const EntryName> entries) {
  std::vector<std::string> names;
  names.reserve(entries.size());
  std::unordered_set<std::string> taken;
  std::vector<std::size_t> clashing;
  for (const EntryName& entry : entries) {
    names.push_back(Fitted("", entry));
    if (!taken.insert(names.back()).second) clashing.push_back(names.size() - 1);
  }
  for (const std::size_t index : clashing) {
    for (int counter = 1;; ++counter) {
      std::string candidate = Fitted(destination::CopyNamePrefix(counter), entries[index]);
      if (taken.insert(candidate).second) {
        names[index] = std::move(candidate);
        break;
      }
    }
  }
  return names;
}

}  // namespace kestrel::mount
