#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/LogReport.h"
#include "app/Result.h"
#include "disk/MediaTree.h"
#include "volume/VolumeScanner.h"

namespace kestrel::cli {

// The options that name what to read: a disk or an image, and the pool and volume on it.
struct SourceOptions {
  std::optional<int> disk;
  std::optional<std::string> image;
  std::optional<std::string> pool;
  std::optional<std::string> volume;

  void AddTo(CLI::App& parser);
};

// The disk or image the options name, read by media discovery.
struct DiscoveredSource {
  disk::DiskReader reader;
  disk::MediaTree tree;
};
app::Result<DiscoveredSource> DiscoverSource(const SourceOptions& options,
                                             const app::LogReport& log);

// The volume the options name, ready to scan. A name that matches nothing is an error that lists
// what exists; one that matches several is an error that lists them. Without --pool or --volume
// the only pool or volume there is is taken.
app::Result<volume::VolumeScanSource> ResolveVolume(const SourceOptions& options,
                                                    const app::LogReport& log);

}  // namespace kestrel::cli
