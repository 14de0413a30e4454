// SPDX-License-Identifier: Apache-2.0
#include "gui/disk/ScanPages.h"

#include <optional>

#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "gui/common/NoticeDialog.h"
#include "gui/diskscan/CScanDisk.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/volume/LeafIterator.h"
#include "pool/PoolScanner.h"
#include "volume/ChosenVolume.h"

namespace kestrel::gui {
namespace {

std::optional<disk::DiskReader> OpenOrTell(const std::string& path, QWidget* parent) {
  disk::OpenedSource opened = disk::OpenSource(path);
  if (opened.status.ok()) return std::move(opened.reader);
  NoticeDialog("SourceNotOpened", opened.status.message, {NoticeDialog::kOk}, parent).exec();
  return std::nullopt;
}

}  // namespace

QDialog* NewDiskScanPage(const disk::DiskEntry& disk, const app::LogReport& log, QWidget* parent) {
  // The disk's own source: a disk image is named by its file, not by a device of that number.
  auto reader = OpenOrTell(disk.node.sourcePath, parent);
  return reader ? new CScanDisk(std::move(*reader), disk.node.sourcePath, log, parent) : nullptr;
}

QDialog* NewPoolPage(const disk::PoolEntry& pool, const app::LogReport& log, QWidget* parent) {
  auto reader = OpenOrTell(pool.node.sourcePath, parent);
  return reader ? new CpoolIterator(pool::PoolOnDisk(*reader, pool), log, parent) : nullptr;
}

QDialog* NewVolumePage(const disk::VolumeEntry& volume, const disk::PartitionChain& chain,
                       const app::LogReport& log, QWidget* parent) {
  auto reader = OpenOrTell(volume.node.sourcePath, parent);
  return reader ? new LeafIterator(volume::ChosenVolume(volume, chain, *reader), log, parent)
                : nullptr;
}

QDialog* NewImagePage(const std::string& imagePath, bool poolImage, const app::LogReport& log,
                      QWidget* parent) {
  auto reader = OpenOrTell(imagePath, parent);
  if (!reader) return nullptr;
  if (!poolImage) return new CScanDisk(std::move(*reader), imagePath, log, parent);
  const disk::DiskEntry entry = disk::DiscoverPoolImage(*reader, imagePath);
  const std::u16string label = entry.pools.empty() ? u"Pool" : entry.pools.front().Label();
  return new CpoolIterator(pool::PoolImage(*reader, label, imagePath), log, parent);
}

}  // namespace kestrel::gui
