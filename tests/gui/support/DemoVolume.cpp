// SPDX-License-Identifier: Apache-2.0
#include "DemoVolume.h"

#include "app/LogReport.h"
#include "app/TextEncoding.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "volume/ChosenVolume.h"

namespace kestrel::guitest {

namespace {

// Demo disk 0 as media discovery finds it.
struct DiscoveredDemo {
  disk::DiskReader reader;
  disk::DiskEntry entry;
};

DiscoveredDemo DiscoverDemo(const DemoDisks& disks) {
  DiscoveredDemo demo{disk::OpenSource(disks.Disk(0).toStdString()).reader, {}};
  const app::LogReport log(disks.Scratch(QStringLiteral("discovery.log")).toStdString());
  demo.entry = disk::DiscoverDisk(0, demo.reader, disk::PhysicalDriveName(0), log);
  return demo;
}

}  // namespace

volume::VolumeScanSource DemoVolume(const DemoDisks& disks, const QString& volumeName,
                                    std::shared_ptr<GatedSource> gate) {
  const DiscoveredDemo demo = DiscoverDemo(disks);
  const disk::DiskReader reader = gate ? disk::DiskReader(gate) : demo.reader;
  for (const disk::PoolEntry& pool : demo.entry.pools) {
    for (const disk::VolumeEntry& volume : pool.volumes) {
      if (app::ToUtf8(volume.Label()) == "Volume:" + volumeName.toStdString())
        return volume::ChosenVolume(volume, demo.entry.chain, reader);
    }
  }
  return {};
}

pool::PoolScanSource DemoPool(const DemoDisks& disks, const QString& poolName) {
  const DiscoveredDemo demo = DiscoverDemo(disks);
  for (const disk::PoolEntry& pool : demo.entry.pools) {
    if (app::ToUtf8(pool.name) == poolName.toStdString())
      return pool::PoolOnDisk(demo.reader, pool);
  }
  return {};
}

std::shared_ptr<GatedSource> DemoGate(const DemoDisks& disks) {
  return std::make_shared<GatedSource>(disk::OpenSource(disks.Disk(0).toStdString()).reader);
}

}  // namespace kestrel::guitest
