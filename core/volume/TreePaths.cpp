#include "volume/TreePaths.h"

#include "app/TextEncoding.h"

namespace kestrel::volume {
namespace {

std::string Join(const std::string& folder, const std::u16string& name) {
  return (folder == "/" ? "" : folder) + "/" + app::ToUtf8(name);
}

void VisitFolder(const FileTree& tree, FolderId folder, const std::string& path,
                 const std::function<void(const TreeEntry&)>& visit) {
  if (folder != tree.Top()) visit({path, true, folder, tree.Folder(folder).record});
  for (RecordId r = tree.Record(tree.Folder(folder).record).m_next; r != kNoRecord;
       r = tree.Record(r).m_next) {
    if (!tree.Record(r).IsContinuation())
      visit({Join(path, tree.Record(r).m_name), false, folder, r});
  }
  for (FolderId child = tree.Folder(folder).firstChild; child != kNoFolder;
       child = tree.Folder(child).nextSibling) {
    VisitFolder(tree, child, Join(path, tree.Record(tree.Folder(child).record).m_name), visit);
  }
}

}  // namespace

void ForEachEntry(const FileTree& tree, const std::function<void(const TreeEntry&)>& visit) {
  VisitFolder(tree, tree.Top(), "/", visit);
}

std::string FolderPath(const FileTree& tree, FolderId folder) {
  if (folder == tree.Top()) return "/";
  return Join(FolderPath(tree, tree.Folder(folder).parent),
              tree.Record(tree.Folder(folder).record).m_name);
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
