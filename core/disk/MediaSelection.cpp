// SPDX-License-Identifier: Apache-2.0
#include "disk/MediaSelection.h"

namespace kestrel::disk {
namespace {

MediaSelection FromNode(MediaSelection::Kind kind, const MediaNode& node) {
  return {kind, node.sourcePath, node.start, node.base, node.extra, 0};
}

}  // namespace

MediaSelection SelectDisk(const DiskEntry& disk) {
  MediaSelection selection = FromNode(MediaSelection::Kind::Disk, disk.node);
  selection.diskSectorCount = disk.sectorCount;
  return selection;
}

MediaSelection SelectPool(const PoolEntry& pool) {
  return FromNode(MediaSelection::Kind::Pool, pool.node);
}

MediaSelection SelectVolume(const VolumeEntry& volume) {
  return FromNode(MediaSelection::Kind::Volume, volume.node);
}

}  // namespace kestrel::disk
