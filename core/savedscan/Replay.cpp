// SPDX-License-Identifier: Apache-2.0
#include "savedscan/Replay.h"

#include <algorithm>

#include "app/TextEncoding.h"
#include "disk/NssLayout.h"
#include "disk/NssStructures.h"
#include "pool/PoolTree.h"
#include "volume/FileData.h"
#include "volume/VolumeScanner.h"

namespace kestrel::savedscan {
namespace {

void ApplyFirstRecord(const ScanFileRecord& first, ReplayedScan& replayed) {
  replayed.poolBase = static_cast<std::int64_t>(first.parentKey);
  volume::ScanItem& top = replayed.tree.Record(replayed.tree.Folder(replayed.tree.Top()).record);
  top.m_key = first.key;
  top.m_size = first.size;
  top.m_extentBlocks = first.extentBlocks;
  top.m_extentStart = first.extentStart;
  const std::string description = app::ToUtf8(first.name);
  const auto lastComma = description.rfind(',');
  if (lastComma == std::string::npos) return;
  replayed.sourcePath = description.substr(lastComma + 1);
  replayed.displayName = description.substr(0, description.find(','));
  const auto colon = replayed.displayName.rfind(':');
  replayed.tree.SetLabel(
      replayed.tree.Top(),
      colon == std::string::npos ? u"" : app::ToUtf16(replayed.displayName.substr(colon + 1)));
}

std::vector<volume::FolderId> TopChildren(const volume::FileTree& tree) {
  std::vector<volume::FolderId> children;
  for (auto child = tree.Folder(tree.Top()).firstChild; child != volume::kNoFolder;
       child = tree.Folder(child).nextSibling) {
    children.push_back(child);
  }
  return children;
}

volume::DecodedEntry EntryOf(ScanFileRecord& record) {
  volume::DecodedEntry entry{std::move(record.name),
                             record.key,
                             record.size,
                             record.parentKey,
                             {record.extentBlocks, record.extentStart},
                             {}};
  entry.sizeHighKnown = false;
  return entry;
}

}  // namespace

bool IsPoolScan(const SavedScan& scan) {
  return !scan.records.empty() && scan.records.front().key == pool::kPoolItemKey;
}

ReplayedScan ReplaySavedScan(SavedScan scan, app::ProgressObserver& observer,
                             std::stop_token stop) {
  auto& records = scan.records;
  const bool poolScan = IsPoolScan(scan);
  ReplayedScan replayed{
      poolScan ? pool::NewPoolTree() : volume::NewVolumeTree(u""), 0, std::nullopt, {}, poolScan};
  if (records.empty()) return replayed;
  ApplyFirstRecord(records.front(), replayed);
  const auto rule =
      poolScan ? volume::ZeroSizeRule::DottedIsFile : volume::ZeroSizeRule::DottedIsDropped;
  for (std::size_t i = 1; i < records.size();) {
    if (stop.stop_requested()) {
      replayed.tree.DiscardOrphans();
      replayed.stopped = true;
      return replayed;
    }
    if (records[i].name.empty()) {  // a continuation record with no file before it
      ++i;
      continue;
    }
    volume::DecodedEntry entry = EntryOf(records[i]);
    std::uint64_t blocks = entry.firstExtent.blocks;  // further extents give running totals
    for (++i; i < records.size() && records[i].name.empty(); ++i) {
      entry.furtherExtents.push_back({records[i].extentBlocks, records[i].extentStart});
      blocks = std::max<std::uint64_t>(blocks, records[i].extentBlocks);
    }
    // The file keeps a size's low 32 bits: a file over 4 GiB is listed, counted and selected with
    // the size its blocks hold.
    entry.size = volume::SizeWithinExtents(static_cast<std::uint32_t>(entry.size),
                                           blocks * disk::layout::kBlockSize);
    replayed.tree.InsertScanItem(std::move(entry), rule);
    observer.OnProgress({i, records.size(), {}, app::WorkUnit::Records});
  }
  replayed.tree.PlaceOrphans(poolScan ? volume::FileTree::OrphanFallback::TopItem
                                      : volume::FileTree::OrphanFallback::LastFolder);
  if (poolScan)
    replayed.tree.counters.folderCount -=
        static_cast<std::uint32_t>(TopChildren(replayed.tree).size());
  return replayed;
}

std::optional<std::string> CheckSavedScanSource(const ReplayedScan& replayed,
                                                const disk::DiskReader& source) {
  namespace layout = disk::layout;
  const std::int64_t base = replayed.poolBase;
  if (replayed.poolScan && disk::IsPoolSuperBlock(disk::ReadSectorOrZeros(source, base)))
    return std::nullopt;
  const std::int64_t label = base - layout::kPoolSuperBlockOffset + layout::kPoolLabelOffset;
  if (label >= 0 && !disk::PoolName(disk::ReadSectorOrZeros(source, label)).empty())
    return std::nullopt;
  return replayed.poolScan ? "no pool super block (\"SPB5\") at byte " + std::to_string(base)
                           : "no pool label at byte " + std::to_string(label < 0 ? 0 : label);
}

SavedScanSource OpenSavedScanSource(const ReplayedScan& replayed, const std::string& path) {
  if (path.empty()) return {{}, "the scan's source cannot be read (the file names none)"};
  disk::OpenedSource opened = disk::OpenSource(path);
  if (!opened.status.ok())
    return {{}, "the scan's source cannot be read (" + opened.status.message + ")"};
  if (auto mismatch = CheckSavedScanSource(replayed, opened.reader))
    return {{},
            "the scan's source " + path + " does not hold the scanned pool (" + *mismatch + ")"};
  return {opened.reader, std::nullopt};
}

void RestoreVolumeMarks(ReplayedScan& replayed, const disk::DiskReader& source) {
  if (!replayed.poolScan || !source.IsValid()) return;
  pool::MarkDeletedVolumes(replayed.tree, TopChildren(replayed.tree),
                           pool::ListedVolumeKeys(source, replayed.poolBase));
}

}  // namespace kestrel::savedscan
