#include "report/Report.h"

#include "volume/FileData.h"
#include "volume/TreePaths.h"

namespace kestrel::report {

std::vector<FileEntry> FilesOf(const volume::FileTree& tree, std::int64_t poolBase,
                               const volume::UnreadAreas* unread) {
  std::vector<FileEntry> files;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) {
    if (entry.folder) return;
    const volume::FileDataLayout layout = volume::LayoutFileData(tree, entry.record, poolBase);
    FileEntry file{entry.path,
                   layout.size,
                   tree.Record(entry.record).IsDeleted(),
                   {},
                   unread ? unread->BytesIn(layout) : 0};
    for (const volume::SourceRange& range : layout.ranges) {
      if (range.offset >= 0)
        file.runs.push_back(
            {static_cast<std::uint64_t>(range.offset), range.length, range.fileOffset});
    }
    files.push_back(std::move(file));
  });
  return files;
}

}  // namespace kestrel::report
