// SPDX-License-Identifier: Apache-2.0
#include "SourceOptions.h"

#include <vector>

#include "ProgressLine.h"
#include "app/TextEncoding.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "disk/NameBlock.h"
#include "disk/platform/Platform.h"
#include "disk/raid/RaidDefinition.h"
#include "diskscan/DiskScanner.h"

namespace kestrel::cli {
namespace {

template <class Entry>
app::Result<const Entry*> PickByName(const std::vector<const Entry*>& entries,
                                     const std::optional<std::string>& wanted, const char* what,
                                     std::string (*nameOf)(const Entry&)) {
  std::vector<const Entry*> matches;
  std::string names;
  for (const Entry* entry : entries) {
    names += (names.empty() ? "" : ", ") + nameOf(*entry);
    if (!wanted || nameOf(*entry) == *wanted) matches.push_back(entry);
  }
  if (matches.size() == 1) return matches.front();
  const std::string existing = names.empty() ? std::string("none") : names;
  if (matches.empty())
    return app::Failure{std::string("no ") + what + " named " + wanted.value_or("") +
                        "; there are: " + existing};
  if (!wanted)
    return app::Failure{std::string("choose a ") + what + " with --" + what + ": " + existing};
  return app::Failure{std::string("several ") + what + "s are named " + *wanted +
                      "; there are: " + existing};
}

std::string PoolNameOf(const disk::PoolEntry& pool) {
  return app::ToUtf8(pool.name);
}
std::string VolumeNameOf(const disk::VolumeEntry& volume) {
  return app::ToUtf8(disk::JoinNames(volume.names));
}

app::Result<disk::OpenedSource> OpenNamedSource(const SourceOptions& options,
                                                std::stop_token stop) {
  if (!options.disk && !options.image)
    return app::Failure{
        "name the source with --disk N or --image FILE, or a RAID set with --raid SET"};
  const std::string path = options.image ? *options.image : disk::PhysicalDriveName(*options.disk);
  auto opened = disk::OpenSource(path, std::move(stop));
  if (!opened.status.ok()) return app::Failure{opened.status.message};
  return opened;
}

// The pools a disk scan finds on the source, as one disk of a media tree.
app::Result<DiscoveredSource> ScanForPools(const SourceOptions& options, std::stop_token stop) {
  auto opened = OpenNamedSource(options, stop);
  if (!opened.ok()) return app::Failure{opened.error()};
  const std::string path = options.image ? *options.image : disk::PhysicalDriveName(*options.disk);
  ProgressLine progress("Disk scan");
  auto found = diskscan::ScanDisk(opened.value().reader, path, progress, stop);
  if (found.stopped) return app::Failure{"the disk scan was stopped"};
  DiscoveredSource source{opened.value().reader, {}, false};
  disk::DiskEntry entry;
  entry.node.sourcePath = path;
  entry.pools = std::move(found.pools);
  entry.chain = std::move(found.chain);
  entry.zeroedSectors = found.zeroedSectors;
  source.tree.disks.push_back(std::move(entry));
  return source;
}

std::vector<const disk::PoolEntry*> AllPools(const disk::MediaTree& tree) {
  std::vector<const disk::PoolEntry*> pools;
  for (const auto& disk : tree.disks) {
    for (const auto& pool : disk.pools) pools.push_back(&pool);
  }
  return pools;
}

}  // namespace

void SourceOptions::AddTo(CLI::App& parser, bool withScans) {
  auto* diskOption = parser.add_option("--disk", disk, "Physical disk N");
  auto* imageOption = parser.add_option("--image", image, "A disk image or a pool image file")
                          ->excludes(diskOption);
  AddRaidOption(parser, image, {diskOption, imageOption});
  parser.add_option("--pool", pool, "The pool, by the name that `disks` lists");
  if (!withScans) return;
  parser.add_option("--volume", volume, "The volume, by the name that `disks` lists");
  parser.add_flag("--pool-scan", poolScan,
                  "Scan the whole pool sector by sector instead of the volume's tree");
  parser.add_flag("--disk-scan", diskScan,
                  "Find the pools by searching the whole disk for partition headers");
  parser.add_option(
      "--scan-file", scanFile,
      "A saved scan; its data are read from the source it names, or from --disk / --image");
}

void AddRaidOption(CLI::App& parser, std::optional<std::string>& image,
                   const std::vector<CLI::Option*>& excluded) {
  auto* raid = parser.add_option_function<std::string>(
      "--raid",
      [&image](const std::string& definition) { image = disk::RaidSourceName(definition); },
      "A RAID set: KEY=VALUE,...:MEMBER,... with level (span, 0, 1, 10, 5, 6), layout "
      "(left-symmetric, left-asymmetric, right-symmetric, right-asymmetric), stripe and offset "
      "(bytes, or with k or m); a member is an image path, disk:N or missing");
  raid->type_name("SET");
  for (CLI::Option* other : excluded) raid->excludes(other);
}

std::optional<std::string> SourceOptions::SourcePath() const {
  if (image) return *image;
  if (disk) return platform::DiskDevicePath(*disk);
  return std::nullopt;
}

app::Result<DiscoveredSource> DiscoverSource(const SourceOptions& options, std::stop_token stop,
                                             const app::LogReport& log) {
  if (options.diskScan) return ScanForPools(options, std::move(stop));
  if (options.image) return DiscoverImageFile(*options.image, std::move(stop), log);
  auto opened = OpenNamedSource(options, std::move(stop));
  if (!opened.ok()) return app::Failure{opened.error()};
  DiscoveredSource source{opened.value().reader, {}, false};
  const std::string name = disk::PhysicalDriveName(*options.disk);
  source.tree.disks.push_back(disk::DiscoverDisk(*options.disk, source.reader, name, log));
  return source;
}

namespace {

struct ChosenPool {
  DiscoveredSource source;
  disk::PoolEntry pool;
};

app::Result<ChosenPool> ChoosePool(const SourceOptions& options, std::stop_token stop,
                                   const app::LogReport& log) {
  auto source = DiscoverSource(options, std::move(stop), log);
  if (!source.ok()) return app::Failure{source.error()};
  const auto chosen = PickByName(AllPools(source.value().tree), options.pool, "pool", PoolNameOf);
  if (!chosen.ok()) return app::Failure{chosen.error()};
  disk::PoolEntry pool = *chosen.value();
  return ChosenPool{std::move(source).value(), std::move(pool)};
}

}  // namespace

app::Result<disk::PoolEntry> FindPool(const SourceOptions& options, std::stop_token stop,
                                      const app::LogReport& log) {
  auto chosen = ChoosePool(options, std::move(stop), log);
  if (!chosen.ok()) return app::Failure{chosen.error()};
  return std::move(chosen.value().pool);
}

app::Result<pool::PoolScanSource> ResolvePool(const SourceOptions& options, std::stop_token stop,
                                              const app::LogReport& log) {
  auto chosen = ChoosePool(options, std::move(stop), log);
  if (!chosen.ok()) return app::Failure{chosen.error()};
  const auto& [source, pool] = chosen.value();
  if (source.poolImage) return pool::PoolImage(source.reader, pool.Label(), pool.node.sourcePath);
  return pool::PoolOnDisk(source.reader, pool);
}

app::Result<volume::VolumeScanSource> ResolveVolume(const SourceOptions& options,
                                                    std::stop_token stop,
                                                    const app::LogReport& log) {
  auto source = DiscoverSource(options, std::move(stop), log);
  if (!source.ok()) return app::Failure{source.error()};
  const auto pool = PickByName(AllPools(source.value().tree), options.pool, "pool", PoolNameOf);
  if (!pool.ok()) return app::Failure{pool.error()};
  std::vector<const disk::VolumeEntry*> volumes;
  for (const auto& volume : pool.value()->volumes) volumes.push_back(&volume);
  const auto chosen = PickByName(volumes, options.volume, "volume", VolumeNameOf);
  if (!chosen.ok()) return app::Failure{chosen.error()};
  const disk::MediaNode& node = chosen.value()->node;
  volume::VolumeScanSource volume;
  volume.reader = source.value().reader;
  volume.poolBase = node.base;
  volume.rootBlock = static_cast<std::uint64_t>(node.start);
  volume.extentSectors = node.extra;
  volume.chain = source.value().tree.disks.front().chain;  // a source is one disk
  volume.volumeName = disk::JoinNames(chosen.value()->names);
  volume.sourcePath = node.sourcePath;
  return volume;
}

}  // namespace kestrel::cli
