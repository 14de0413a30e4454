// SPDX-License-Identifier: Apache-2.0
#include "FileInMemory.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "disk/MemorySource.h"
#include "volume/FileTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::guitest {

gui::PreviewFile FileInMemory(const QByteArray& bytes, const std::u16string& name) {
  const auto blocks = static_cast<std::uint32_t>((bytes.size() + 4095) / 4096);
  std::vector<std::uint8_t> disk(blocks * 4096u);
  std::copy(bytes.begin(), bytes.end(), disk.begin());
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  tree.InsertScanItem({name,
                       9,
                       static_cast<std::uint64_t>(bytes.size()),
                       volume::kTopDirectoryKey,
                       {blocks, 1},
                       {}});
  const volume::RecordId file = tree.Record(tree.Folder(tree.Top()).record).m_next;
  return {disk::DiskReader(std::make_shared<disk::MemorySource>(std::move(disk))),
          volume::LayoutFileData(tree, file, 0), name};
}

}  // namespace kestrel::guitest
