// SPDX-License-Identifier: Apache-2.0
#pragma once

// What the in-process benchmarks share: the scan source of an image's first volume, and a clock.
#include <chrono>
#include <optional>
#include <string>

#include "app/LogReport.h"
#include "disk/MediaDiscovery.h"
#include "volume/VolumeScanner.h"

namespace kestrel::bench {

// The first volume of the image's first pool, named as the benchmark images name it; nothing
// when the image has none.
inline std::optional<volume::VolumeScanSource> FirstVolume(const std::string& image) {
  const app::LogReport log("/dev/null");
  const auto opened = disk::OpenSource(image);
  const disk::DiskEntry found = disk::DiscoverDisk(0, opened.reader, image, log);
  if (found.pools.empty() || found.pools[0].volumes.empty()) return std::nullopt;
  const disk::VolumeEntry& chosen = found.pools[0].volumes[0];
  return volume::VolumeScanSource{opened.reader,
                                  chosen.node.base,
                                  static_cast<std::uint64_t>(chosen.node.start),
                                  chosen.node.extra,
                                  found.chain,
                                  u"BIG",
                                  image};
}

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kestrel::bench
