#include "SourceOptions.h"

#include <vector>

#include "ImageSource.h"
#include "app/TextEncoding.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"
#include "disk/NameBlock.h"

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

}  // namespace

void SourceOptions::AddTo(CLI::App& parser) {
  auto* diskOption = parser.add_option("--disk", disk, "Physical disk N");
  parser.add_option("--image", image, "A disk image or a pool image file")->excludes(diskOption);
  parser.add_option("--pool", pool, "The pool, by the name that `disks` lists");
  parser.add_option("--volume", volume, "The volume, by the name that `disks` lists");
}

app::Result<DiscoveredSource> DiscoverSource(const SourceOptions& options,
                                             const app::LogReport& log) {
  if (options.image) {
    auto opened = disk::OpenSource(*options.image);
    auto tree = DiscoverImageFile(*options.image, log);
    if (!tree.ok()) return app::Failure{tree.error()};
    return DiscoveredSource{opened.reader, std::move(tree).value()};
  }
  if (!options.disk) return app::Failure{"name the source with --disk N or --image FILE"};
  const std::string name = disk::PhysicalDriveName(*options.disk);
  auto opened = disk::OpenSource(name);
  if (!opened.status.ok()) return app::Failure{opened.status.message};
  DiscoveredSource source{opened.reader, {}};
  source.tree.disks.push_back(
      disk::DiscoverDisk(*options.disk, opened.reader, name, source.tree.chain, log));
  return source;
}

app::Result<volume::VolumeScanSource> ResolveVolume(const SourceOptions& options,
                                                    const app::LogReport& log) {
  auto source = DiscoverSource(options, log);
  if (!source.ok()) return app::Failure{source.error()};
  std::vector<const disk::PoolEntry*> pools;
  for (const auto& disk : source.value().tree.disks) {
    for (const auto& pool : disk.pools) pools.push_back(&pool);
  }
  const auto pool = PickByName(pools, options.pool, "pool", PoolNameOf);
  if (!pool.ok()) return app::Failure{pool.error()};
  std::vector<const disk::VolumeEntry*> volumes;
  for (const auto& volume : pool.value()->volumes) volumes.push_back(&volume);
  const auto chosen = PickByName(volumes, options.volume, "volume", VolumeNameOf);
  if (!chosen.ok()) return app::Failure{chosen.error()};
  const disk::MediaNode& node = chosen.value()->node;
  return volume::VolumeScanSource{source.value().reader,
                                  node.base,
                                  static_cast<std::uint64_t>(node.start),
                                  node.extra,
                                  source.value().tree.chain,
                                  disk::JoinNames(chosen.value()->names)};
}

}  // namespace kestrel::cli
