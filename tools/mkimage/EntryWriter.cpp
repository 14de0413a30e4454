// SPDX-License-Identifier: Apache-2.0
#include "EntryWriter.h"

#include "EntryNames.h"
#include "EntryPath.h"
#include "NssFormat.h"

namespace kestrel::mkimage {

// The manifest entry with its content, before anything is written.
Result<ManifestEntry> EntryWriter::describe(const ResolvedEntry& entry) {
  ManifestEntry described;
  described.path = entry.path;
  described.name = LeafName(entry.path);
  described.kind = entry.kind;
  described.key = entry.key;
  described.parentKey = entry.parentKey;
  if (entry.wanted == nullptr) return described;
  described.deleted = entry.wanted->deleted;
  described.skipped = entry.wanted->skip;
  described.secondName = entry.wanted->secondName;
  if (entry.kind == EntryKind::File) {
    Result<FileContent> content =
        MakeFileContent(entry.wanted->content, ContentSeed(volumeLabel_, entry.path));
    if (!content) return content.error();
    described.size = content->size();
    described.content = std::move(*content);
  }
  return described;
}

Result<ManifestEntry> EntryWriter::write(const ResolvedEntry& entry, BlockLayout layout,
                                         RecordSink& sink) {
  Result<ManifestEntry> described = describe(entry);
  if (!described) return InContext(entry.path, described.error());
  ManifestEntry& written = *described;
  std::vector<Extent> extents;
  if (written.content && written.size > 0 && !written.skipped) {
    Result<std::vector<Extent>> placed = data_.write(*written.content, entry.wanted->extents);
    if (!placed) return InContext(entry.path, placed.error());
    extents = std::move(*placed);
  }
  Result<NameSectionLayout> names = MakeNameSection(entry);
  if (!names) return InContext(entry.path, names.error());
  Result<ByteBuffer> record = EncodeEntryRecord(
      {layout, entry.key, written.size, extents, written.skipped, std::move(*names)});
  if (!record) return InContext(entry.path, record.error());
  Result<std::int64_t> offset =
      sink.place(*record, written.skipped ? nss::record::kSkipTrailer : 0);
  if (!offset) return InContext(entry.path, offset.error());
  written.recordOffset = *offset;
  written.extents = StoredExtentPairs(extents);
  return written;
}

}  // namespace kestrel::mkimage
