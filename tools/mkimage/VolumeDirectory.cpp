// SPDX-License-Identifier: Apache-2.0
#include "VolumeDirectory.h"

#include <algorithm>

#include "TreeBlockChain.h"
#include "Utf16.h"
#include "VolumeRecord.h"

namespace kestrel::mkimage {
namespace {

constexpr std::uint64_t kDirectoryVolumeId = 0;  // volume id of every directory block

VolumeRecord EncodeRecord(const PoolLayout& pool, const VolumePlan& plan) {
  VolumeRecordLayout wanted{
      pool.directoryLayout, plan.key,       {},           plan.wanted->recordKind,
      plan.wanted->zvl,     plan.rootBlock, plan.volumeId};
  for (const std::string& name : plan.wanted->names) wanted.names.push_back(*Utf8ToUtf16(name));
  return EncodeVolumeRecord(wanted);
}

// Writes the records of the volumes whose `deleted` flag is `deleted`; returns the first block
// of their chain, or NoBlock when there are none.
Result<std::uint32_t> WriteChain(const PoolLayout& pool, const std::vector<VolumePlan>& volumes,
                                 bool deleted, PoolSpace& space, BlockAllocator& blocks,
                                 std::vector<VolumeRecordPlace>& records) {
  const auto belongs = [deleted](const VolumePlan& plan) {
    return plan.wanted->deleted == deleted;
  };
  if (std::none_of(volumes.begin(), volumes.end(), belongs)) return nss::kNoBlock;
  Result<TreeBlockChain> chain = TreeBlockChain::Start(
      space, blocks, pool.directoryLayout, kDirectoryVolumeId, pool.directoryRecordsPerBlock);
  if (!chain) return chain.error();
  if (!deleted) {
    Result<std::int64_t> placed = chain->place(EncodeLogicalVolumesRecord(), 0);
    if (!placed) return placed.error();
  }
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    if (!belongs(volumes[i])) continue;
    const VolumeRecord record = EncodeRecord(pool, volumes[i]);
    Result<std::int64_t> placed = chain->place(record.bytes, 0);
    if (!placed) return InContext("volume " + volumes[i].label, placed.error());
    records[i] = {*placed, record.poolScanVolumeId};
  }
  if (Status status = chain->finish(); !status) return status.error();
  return chain->firstBlock();
}

}  // namespace

Result<VolumeDirectory> WriteVolumeDirectory(const PoolLayout& pool,
                                             const std::vector<VolumePlan>& volumes,
                                             PoolSpace& space, BlockAllocator& blocks) {
  VolumeDirectory directory{nss::kNoBlock, std::vector<VolumeRecordPlace>(volumes.size())};
  Result<std::uint32_t> listed = WriteChain(pool, volumes, false, space, blocks, directory.records);
  if (!listed) return listed.error();
  directory.firstBlock = *listed;
  Result<std::uint32_t> hidden = WriteChain(pool, volumes, true, space, blocks, directory.records);
  if (!hidden) return hidden.error();
  return directory;
}

}  // namespace kestrel::mkimage
