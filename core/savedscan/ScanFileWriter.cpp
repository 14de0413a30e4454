// SPDX-License-Identifier: Apache-2.0
#include "savedscan/ScanFileWriter.h"

#include "app/TextEncoding.h"
#include "disk/platform/Platform.h"
#include "savedscan/ScanFileFormat.h"
#include "volume/TreeWalk.h"

namespace kestrel::savedscan {
namespace {

ScanFileRecord FromItem(const volume::ScanItem& item) {
  return {item.m_parentKey,   item.m_key,   item.m_size, item.m_extentBlocks,
          item.m_extentStart, item.m_state, item.m_name};
}

// Whether the record carries the source description instead of its own name.
bool DescribesSource(const volume::FileTree& tree, ScanKind kind, volume::RecordId record,
                     bool first) {
  if (kind == ScanKind::Pool) return first;
  return tree.Record(record).m_key == volume::kTopDirectoryKey;
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendRecord(std::vector<std::uint8_t>& bytes, const ScanFileRecord& record) {
  PutLittleEndian(bytes, 0, 4);
  PutLittleEndian(bytes, record.parentKey, 8);
  PutLittleEndian(bytes, record.key, 8);
  PutLittleEndian(bytes, record.size, 4);
  PutLittleEndian(bytes, record.extentBlocks, 4);
  PutLittleEndian(bytes, record.extentStart, 4);
  PutLittleEndian(bytes, 0, 8);  // reserved
  PutLittleEndian(bytes, 0, 4);  // tree item
  PutLittleEndian(bytes, static_cast<std::uint8_t>(record.state), 1);
  PutLittleEndian(bytes, record.name.size(), 2);
  for (const char16_t unit : record.name) PutLittleEndian(bytes, unit, 2);
}

constexpr std::uint64_t kRecordsPerReport = 4096;

std::vector<std::uint8_t> EncodeScanFile(const volume::FileTree& tree, ScanKind kind,
                                         const SourceDescription& source,
                                         app::ProgressObserver& observer) {
  std::vector<std::uint8_t> bytes(kScanFileBanner.begin(), kScanFileBanner.end());
  bytes.reserve(bytes.size() + tree.RecordCount() * (format::kFixedBytes + 24));
  const std::uint64_t total = tree.RecordCount();
  std::uint64_t encoded = 0;
  ForEachFileRecord(tree, kind, source, [&](const ScanFileRecord& record) {
    AppendRecord(bytes, record);
    if (++encoded % kRecordsPerReport == 0)
      observer.OnProgress({encoded, total, {}, app::WorkUnit::Records});
  });
  return bytes;
}

}  // namespace

void ForEachFileRecord(const volume::FileTree& tree, ScanKind kind, const SourceDescription& source,
                       const std::function<void(const ScanFileRecord&)>& visit) {
  const std::u16string description = app::ToUtf16(source.displayName + "," + source.sourcePath);
  bool first = true;
  const auto chain = [&](volume::FolderId folder) {
    volume::ForEachInChain(tree, folder, [&](volume::RecordId r) {
      ScanFileRecord record = FromItem(tree.Record(r));
      if (folder == tree.Top() && DescribesSource(tree, kind, r, first)) {
        record.name = description;
        record.parentKey = source.location;
      } else if (kind == ScanKind::Pool && r == tree.Folder(folder).record && record.name.empty()) {
        record.name = tree.FolderText(folder);
      }
      first = false;
      visit(record);
    });
  };
  volume::WalkFolders(tree, tree.Top(), chain, [](volume::FolderId) {});
}

std::vector<std::uint8_t> EncodeScanFile(const volume::FileTree& tree, ScanKind kind,
                                         const SourceDescription& source) {
  app::NoProgress quiet;
  return EncodeScanFile(tree, kind, source, quiet);
}

app::Result<bool> WriteScanFile(const volume::FileTree& tree, ScanKind kind,
                                const SourceDescription& source, const std::string& path) {
  app::NoProgress quiet;
  return WriteScanFile(tree, kind, source, path, quiet);
}

app::Result<bool> WriteScanFile(const volume::FileTree& tree, ScanKind kind,
                                const SourceDescription& source, const std::string& path,
                                app::ProgressObserver& observer) {
  // Written beside it and renamed into place: a full disk never costs the scan saved before.
  const std::vector<std::uint8_t> bytes = EncodeScanFile(tree, kind, source, observer);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (auto refused = platform::ReplaceFileAtomically(path, text)) return app::Failure{*refused};
  return true;
}

}  // namespace kestrel::savedscan
