// SPDX-License-Identifier: Apache-2.0
#include "VolumeBuilder.h"

#include "EntryWriter.h"
#include "FixedSectors.h"
#include "GeneratedEntries.h"
#include "TreeBlockChain.h"

namespace kestrel::mkimage {
namespace {

Status WriteGroup(const std::vector<ResolvedEntry>& group, BlockLayout layout, bool loose,
                  EntryWriter& writer, RecordSink& sink, ManifestVolume& manifest) {
  for (const ResolvedEntry& entry : group) {
    Result<ManifestEntry> written = writer.write(entry, layout, sink);
    if (!written) return written.error();
    written->loose = loose;
    manifest.entries.push_back(std::move(*written));
  }
  return {};
}

Status WriteLooseBlocks(const VolumePlan& plan, PoolSpace& space, EntryWriter& writer,
                        ManifestVolume& manifest) {
  for (std::size_t i = 0; i < plan.looseBlocks.size(); ++i) {
    const LoosePlace& place = plan.looseBlocks[i];
    LooseBlock block(space, place.offset, place.layout, plan.volumeId);
    Status status = WriteGroup(plan.groups[i + 1], place.layout, true, writer, block, manifest);
    if (!status || !(status = block.finish())) return status;
  }
  return {};
}

ManifestVolume DescribeVolume(const VolumePlan& plan) {
  ManifestVolume manifest;
  manifest.names = plan.wanted->names;
  manifest.label = plan.label;
  manifest.deleted = plan.wanted->deleted;
  manifest.volumeId = plan.volumeId;
  manifest.key = plan.key;
  manifest.rootBlock = plan.rootBlock;
  if (const auto& generate = plan.wanted->generate) {
    manifest.generated = std::pair{generate->folders, generate->files};
  }
  return manifest;
}

}  // namespace

Result<ManifestVolume> BuildVolume(const VolumePlan& plan, PoolSpace& space, DataWriter& data,
                                   KeyAllocator& keys) {
  const VolumeLayout& wanted = *plan.wanted;
  ManifestVolume manifest = DescribeVolume(plan);
  Result<TreeBlockChain> chain = TreeBlockChain::Start(space, *plan.treeBlocks, wanted.layout,
                                                       plan.volumeId, wanted.recordsPerBlock);
  if (!chain) return chain.error();
  manifest.firstLeafBlock = wanted.emptyChain ? nss::kNoBlock : chain->firstBlock();
  const ByteBuffer root =
      BlockPointerSector(nss::volume_root::kFirstLeafBlock, manifest.firstLeafBlock);
  if (Status status = space.writeBlock(plan.rootBlock, root); !status) return status.error();
  EntryWriter writer(data, plan.label);
  Status status = WriteGroup(plan.groups[0], wanted.layout, false, writer, *chain, manifest);
  if (status && wanted.generate) {
    status = WriteGeneratedEntries(*wanted.generate, plan.label, wanted.layout, data, keys, *chain);
  }
  if (!status || !(status = chain->finish())) return status.error();
  if (status = WriteLooseBlocks(plan, space, writer, manifest); !status) return status.error();
  return manifest;
}

}  // namespace kestrel::mkimage
