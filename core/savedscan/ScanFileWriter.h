// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "app/Result.h"
#include "savedscan/ScanFileRecord.h"
#include "volume/FileTree.h"

namespace kestrel::savedscan {

// Which page's tree is saved: the two write the same layout with a different first record.
enum class ScanKind { Volume, Pool };

// The first record's name and location value.
struct SourceDescription {
  std::string
      displayName;  // the label shown in media selection ("Volume:VOL1", "Pool:DATA") or "Pool"
  std::string sourcePath;      // the disk's logical name or the image file
  std::uint64_t location = 0;  // a volume's poolBase; a pool scan's first super block offset
};

// Hands over the records of a tree in the order of the file: the top item's chain, then every
// other folder item's chain in display order. The first record (on a volume tree: every record of
// the top chain with key 127) carries "display name,source path" and the location value; a pool
// tree's volume item records, whose own names are empty, carry the item's text.
void ForEachFileRecord(const volume::FileTree& tree, ScanKind kind, const SourceDescription& source,
                       const std::function<void(const ScanFileRecord&)>& visit);

// The banner and the tree's records as the bytes of a scan information file.
std::vector<std::uint8_t> EncodeScanFile(const volume::FileTree& tree, ScanKind kind,
                                         const SourceDescription& source);

// Writes the scan file, replacing any file of that path. Progress counts the records encoded.
app::Result<bool> WriteScanFile(const volume::FileTree& tree, ScanKind kind,
                                const SourceDescription& source, const std::string& path,
                                app::ProgressObserver& observer);
app::Result<bool> WriteScanFile(const volume::FileTree& tree, ScanKind kind,
                                const SourceDescription& source, const std::string& path);

}  // namespace kestrel::savedscan
