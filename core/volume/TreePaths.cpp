// SPDX-License-Identifier: Apache-2.0
#include "volume/TreePaths.h"

#include "app/TextEncoding.h"
#include "volume/TreeWalk.h"

namespace kestrel::volume {
namespace {

std::string Join(const std::string& folder, const std::u16string& name) {
  return (folder == "/" ? "" : folder) + "/" + app::ToUtf8(name);
}

}  // namespace

void ForEachEntry(const FileTree& tree, const std::function<void(const TreeEntry&)>& visit) {
  std::vector<std::string> paths;
  const auto enter = [&](FolderId folder) {
    const std::string path = paths.empty() ? "/" : Join(paths.back(), tree.FolderText(folder));
    paths.push_back(path);
    if (folder != tree.Top()) visit({path, true, folder, tree.Folder(folder).record});
    for (RecordId r = tree.Record(tree.Folder(folder).record).m_next; r != kNoRecord;
         r = tree.Record(r).m_next) {
      if (!tree.Record(r).IsContinuation())
        visit({Join(path, tree.Record(r).m_name), false, folder, r});
    }
  };
  WalkFolders(tree, tree.Top(), enter, [&](FolderId) { paths.pop_back(); });
}

std::string FolderPath(const FileTree& tree, FolderId folder) {
  std::vector<FolderId> chain;
  for (FolderId at = folder; at != tree.Top(); at = tree.Folder(at).parent) chain.push_back(at);
  std::string path = "/";
  for (auto at = chain.rbegin(); at != chain.rend(); ++at) path = Join(path, tree.FolderText(*at));
  return path;
}

std::string FilePath(const FileTree& tree, FolderId folder, RecordId record) {
  return Join(FolderPath(tree, folder), tree.Record(record).m_name);
}

std::vector<TreeEntry> FindByPath(const FileTree& tree, const std::string& path) {
  const std::string wanted =
      path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
  if (wanted == "/" || wanted.empty())
    return {{"/", true, tree.Top(), tree.Folder(tree.Top()).record}};
  std::vector<TreeEntry> found;
  ForEachEntry(tree, [&](const TreeEntry& entry) {
    if (entry.path == wanted) found.push_back(entry);
  });
  return found;
}

std::vector<Extent> FileExtents(const FileTree& tree, RecordId head) {
  std::vector<Extent> extents{{tree.Record(head).m_extentBlocks, tree.Record(head).m_extentStart}};
  for (RecordId r = tree.Record(head).m_next; r != kNoRecord && tree.Record(r).IsContinuation();
       r = tree.Record(r).m_next) {
    extents.push_back({tree.Record(r).m_extentBlocks, tree.Record(r).m_extentStart});
  }
  return extents;
}

}  // namespace kestrel::volume
