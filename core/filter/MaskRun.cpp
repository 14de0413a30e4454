// SPDX-License-Identifier: Apache-2.0
#include "filter/MaskRun.h"

#include <vector>

#include "volume/TreePaths.h"

namespace kestrel::filter {
namespace {

using volume::FileTree;
using volume::FolderId;
using volume::kNoFolder;
using volume::RecordId;

constexpr std::uint64_t kProgressEvery = 1024;  // folders between two progress reports

FileTree NewMaskedTree(const FileTree& all) {
  volume::ScanItem root;
  root.m_name = kMaskedTopText;
  root.m_key = all.Record(all.Folder(all.Top()).record).m_key;
  return FileTree(std::u16string(kMaskedTopText), std::move(root));
}

// Copies the tree's folders into the masked tree on first need, parents before children, and
// remembers where each went. The climb follows the scan's own folder links, not parent keys, so
// the cycles and missing parents of a damaged volume's keys never reach it.
class FolderPlacer {
 public:
  FolderPlacer(const FileTree& all, FileTree& masked, MaskView view)
      : all_(all), masked_(masked), view_(view), placed_(all.FolderItemCount(), kNoFolder) {
    placed_[all.Top()] = masked.Top();
  }

  FolderId Place(FolderId folder) {
    std::vector<FolderId> missing;
    for (FolderId at = folder; placed_[at] == kNoFolder; at = all_.Folder(at).parent)
      missing.push_back(at);
    for (auto at = missing.rbegin(); at != missing.rend(); ++at) placed_[*at] = Copy(*at);
    return placed_[folder];
  }

 private:
  FolderId Copy(FolderId folder) {
    const volume::ScanItem& record = all_.Record(all_.Folder(folder).record);
    const RecordId copy = masked_.NewEntryRecords(
        {record.m_name, record.m_key, 0, record.m_parentKey, {}, {}, record.m_sizeHighKnown}, true);
    masked_.Record(copy).m_volumeId = record.m_volumeId;
    // A pool scan's volume items have no name of their own and count as no folder.
    const bool volumeItem = view_ == MaskView::Pool && record.m_name.empty();
    const FolderId id =
        masked_.AddFolderItem(placed_[all_.Folder(folder).parent], copy, !volumeItem);
    masked_.Folder(id).deletedVolume = all_.Folder(folder).deletedVolume;
    if (all_.FolderText(folder) != record.m_name) masked_.SetLabel(id, all_.FolderText(folder));
    return id;
  }

  const FileTree& all_;
  FileTree& masked_;
  MaskView view_;
  std::vector<FolderId> placed_;
};

void CopyFile(const FileTree& all, RecordId head, FileTree& masked, FolderId into) {
  const volume::ScanItem& record = all.Record(head);
  std::vector<volume::Extent> extents = volume::FileExtents(all, head);
  volume::DecodedEntry entry{record.m_name,         record.m_key,
                             record.FullSize(),     record.m_parentKey,
                             extents.front(),       {extents.begin() + 1, extents.end()},
                             record.m_sizeHighKnown};
  masked.AppendFile(into, masked.NewEntryRecords(std::move(entry), false));
}

// A file with blocks in its first extent; a folder never passes by itself, and continuation
// records go with their file.
bool IsFileWithData(const FileTree& tree, RecordId r) {
  return !tree.Record(r).IsContinuation() && !tree.Record(r).IsFolderRecord();
}

}  // namespace

std::optional<FileTree> RunMask(const FileTree& full, const MaskCriteria& criteria, MaskView view,
                                app::ProgressObserver& observer, std::stop_token stop) {
  const FileMask mask(criteria, view);
  FileTree masked = NewMaskedTree(full);
  FolderPlacer placer(full, masked, view);
  const std::uint64_t total = full.FolderItemCount();
  std::uint64_t done = 0;
  for (FolderId folder = full.Top(); folder != kNoFolder;
       folder = full.NextInDisplayOrder(folder)) {
    if (stop.stop_requested()) return std::nullopt;
    if (done++ % kProgressEvery == 0) observer.OnProgress({done, total, {}});
    for (RecordId r = full.Record(full.Folder(folder).record).m_next; r != volume::kNoRecord;
         r = full.Record(r).m_next) {
      if (IsFileWithData(full, r) && mask.Passes(full.Record(r)))
        CopyFile(full, r, masked, placer.Place(folder));
    }
  }
  observer.OnProgress({total, total, {}});
  return masked;
}

}  // namespace kestrel::filter
