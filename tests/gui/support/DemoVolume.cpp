#include "DemoVolume.h"

#include "app/LogReport.h"
#include "app/TextEncoding.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "volume/ChosenVolume.h"

namespace kestrel::guitest {

volume::VolumeScanSource DemoVolume(const DemoDisks& disks, const QString& volumeName,
                                    std::shared_ptr<GatedSource> gate) {
  const disk::OpenedSource opened = disk::OpenSource(disks.Disk(0).toStdString());
  const app::LogReport log(disks.Scratch(QStringLiteral("discovery.log")).toStdString());
  const disk::DiskEntry entry =
      disk::DiscoverDisk(0, opened.reader, disk::PhysicalDriveName(0), log);
  const disk::DiskReader reader = gate ? disk::DiskReader(gate) : opened.reader;
  for (const disk::PoolEntry& pool : entry.pools) {
    for (const disk::VolumeEntry& volume : pool.volumes) {
      if (app::ToUtf8(volume.Label()) == "Volume:" + volumeName.toStdString())
        return volume::ChosenVolume(volume, entry.chain, reader);
    }
  }
  return {};
}

std::shared_ptr<GatedSource> DemoGate(const DemoDisks& disks) {
  return std::make_shared<GatedSource>(disk::OpenSource(disks.Disk(0).toStdString()).reader);
}

}  // namespace kestrel::guitest
