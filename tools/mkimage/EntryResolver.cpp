// SPDX-License-Identifier: Apache-2.0
#include "EntryResolver.h"

#include <map>
#include <set>

#include "EntryPath.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

class Resolver {
 public:
  explicit Resolver(KeyAllocator& keys) : keys_(keys) {
    folderKeys_.emplace(kTopFolderPath, nss::kTopFolderKey);
  }

  // First pass: every listed entry's key, so that a child listed before its folder finds it.
  void assignKeys(const std::vector<const std::vector<EntryLayout>*>& groups) {
    for (const auto* group : groups) {
      for (const EntryLayout& wanted : *group) {
        const std::uint64_t key = wanted.deleted ? nss::kDeletedKey
                                  : wanted.key   ? *wanted.key
                                                 : keys_.next();
        keysByEntry_.emplace(&wanted, key);
        if (wanted.kind == EntryKind::Folder) folderKeys_.try_emplace(wanted.path, key);
        if (wanted.kind == EntryKind::File) filePaths_.insert(wanted.path);
      }
    }
  }

  Result<std::vector<ResolvedEntry>> resolve(const std::vector<EntryLayout>& group) {
    std::vector<ResolvedEntry> resolved;
    for (const EntryLayout& wanted : group) {
      if (Status status = addMissingFolders(ParentPath(wanted.path), resolved); !status) {
        return InContext(wanted.path, status.error());
      }
      const std::uint64_t folderKey = folderKeys_.find(ParentPath(wanted.path))->second;
      const std::uint64_t parentKey = wanted.parentKey.value_or(folderKey);
      resolved.push_back({wanted.path, wanted.kind, keysByEntry_.at(&wanted), parentKey, &wanted});
    }
    return resolved;
  }

 private:
  Status addMissingFolders(std::string_view folder, std::vector<ResolvedEntry>& resolved) {
    if (folderKeys_.contains(folder)) return {};
    if (filePaths_.contains(std::string(folder))) {
      return Error{"its parent " + std::string(folder) + " is a file, not a folder"};
    }
    if (Status status = addMissingFolders(ParentPath(folder), resolved); !status) return status;
    const std::uint64_t key = keys_.next();
    const std::uint64_t parentKey = folderKeys_.find(ParentPath(folder))->second;
    folderKeys_.emplace(folder, key);
    resolved.push_back({std::string(folder), EntryKind::Folder, key, parentKey, nullptr});
    return {};
  }

  KeyAllocator& keys_;
  std::map<std::string, std::uint64_t, std::less<>> folderKeys_;
  std::set<std::string> filePaths_;
  std::map<const EntryLayout*, std::uint64_t> keysByEntry_;
};

}  // namespace

Result<std::vector<std::vector<ResolvedEntry>>> ResolveEntries(
    const std::vector<const std::vector<EntryLayout>*>& groups, KeyAllocator& keys) {
  Resolver resolver(keys);
  resolver.assignKeys(groups);
  std::vector<std::vector<ResolvedEntry>> resolved;
  for (const auto* group : groups) {
    Result<std::vector<ResolvedEntry>> entries = resolver.resolve(*group);
    if (!entries) return entries.error();
    resolved.push_back(std::move(*entries));
  }
  return resolved;
}

}  // namespace kestrel::mkimage
