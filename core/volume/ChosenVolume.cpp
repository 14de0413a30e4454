// SPDX-License-Identifier: Apache-2.0
#include "volume/ChosenVolume.h"

#include "disk/NameBlock.h"

namespace kestrel::volume {

VolumeScanSource ChosenVolume(const disk::VolumeEntry& volume, const disk::PartitionChain& chain,
                              disk::DiskReader reader) {
  VolumeScanSource source;
  source.reader = std::move(reader);
  source.poolBase = volume.node.base;
  source.rootBlock = static_cast<std::uint64_t>(volume.node.start);
  source.extentSectors = volume.node.extra;
  source.chain = chain;
  source.volumeName = disk::JoinNames(volume.names);
  source.sourcePath = volume.node.sourcePath;
  return source;
}

}  // namespace kestrel::volume
