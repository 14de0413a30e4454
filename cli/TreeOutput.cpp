// SPDX-License-Identifier: Apache-2.0
#include "TreeOutput.h"

#include <string>

#include "JsonText.h"
#include "app/TextEncoding.h"
#include "volume/ListRows.h"

namespace kestrel::cli {

nlohmann::ordered_json EntryJson(const volume::FileTree& tree, const volume::TreeEntry& entry) {
  const volume::ScanItem& record = tree.Record(entry.record);
  nlohmann::ordered_json extents = nlohmann::ordered_json::array();
  if (!entry.folder) {
    for (const auto& extent : volume::FileExtents(tree, entry.record))
      extents.push_back({extent.blocks, extent.start});
  }
  nlohmann::ordered_json json = {{"path", entry.path},
                                 {"kind", entry.folder ? "folder" : "file"},
                                 {"size", entry.folder ? 0 : record.FullSize()},
                                 {"key", std::to_string(record.m_key)},
                                 {"deleted", record.IsDeleted()},
                                 {"extents", std::move(extents)}};
  if (entry.folder && tree.Folder(entry.folderId).deletedVolume) json["deletedVolume"] = true;
  return json;
}

std::uint64_t PrintTree(const volume::FileTree& tree, bool json, std::ostream& out,
                        const std::optional<UnreadMarks>& marks) {
  std::uint64_t damaged = 0;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) {
    const std::uint64_t unread =
        marks && !entry.folder ? marks->areas.BytesOfFile(tree, entry.record, marks->poolBase) : 0;
    damaged += unread != 0;
    if (marks && marks->damagedOnly && unread == 0) return;
    if (json) {
      auto line = EntryJson(tree, entry);
      if (unread != 0) line["unreadBytes"] = unread;
      out << JsonText(line) << '\n';
    } else if (entry.folder) {
      const bool deletedVolume = tree.Folder(entry.folderId).deletedVolume;
      out << app::PrintableText(entry.path) << "/" << (deletedVolume ? "  (deleted volume)" : "")
          << '\n';
    } else {
      const volume::RowRef row{false, entry.folderId, entry.record};
      out << app::PrintableText(entry.path) << "  " << volume::RowSizeText(tree, row) << "  "
          << volume::RowTypeText(tree, row)
          << (unread != 0 ? "  (" + volume::NeverReadText(unread) + ")" : "") << '\n';
    }
  });
  return damaged;
}

}  // namespace kestrel::cli
