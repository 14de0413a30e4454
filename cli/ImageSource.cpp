// SPDX-License-Identifier: Apache-2.0
#include "ImageSource.h"

#include <array>

#include "disk/MediaDiscovery.h"
#include "savedscan/SourceFileKind.h"

namespace kestrel::cli {

app::Result<DiscoveredSource> DiscoverImageFile(const std::string& path, std::stop_token stop,
                                                const app::LogReport& log) {
  auto opened = disk::OpenSource(path, std::move(stop));
  if (!opened.status.ok()) return app::Failure{opened.status.message};
  std::array<std::uint8_t, savedscan::kScanFileBanner.size()> firstBytes{};
  opened.reader.ReadSome(0, firstBytes);
  disk::LogContainer(path, opened, log);
  DiscoveredSource source{opened.reader, {}, false};
  switch (savedscan::ClassifySourceFile(firstBytes)) {
    case savedscan::SourceFileKind::ScanInformation:
      return app::Failure{path + ": is a scan information file; open it with --scan-file"};
    case savedscan::SourceFileKind::PoolImage:
      source.poolImage = true;
      source.tree.disks.push_back(disk::DiscoverPoolImage(opened.reader, path));
      break;
    case savedscan::SourceFileKind::DiskImage:
      source.tree.disks.push_back(disk::DiscoverDisk(0, opened.reader, path, log));
      break;
  }
  source.tree.disks.back().container = opened.container;
  return source;
}

}  // namespace kestrel::cli
