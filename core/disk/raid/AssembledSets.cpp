// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/AssembledSets.h"

#include <algorithm>
#include <mutex>

namespace kestrel::disk {
namespace {

struct Remembered {
  std::mutex mutex;
  std::vector<std::string> names;
};

Remembered& Sets() {
  static Remembered sets;
  return sets;
}

}  // namespace

void RememberAssembledSet(const std::string& sourceName) {
  Remembered& sets = Sets();
  const std::lock_guard lock(sets.mutex);
  if (std::find(sets.names.begin(), sets.names.end(), sourceName) == sets.names.end())
    sets.names.push_back(sourceName);
}

std::vector<std::string> AssembledSets() {
  Remembered& sets = Sets();
  const std::lock_guard lock(sets.mutex);
  return sets.names;
}

void ForgetAssembledSets() {
  Remembered& sets = Sets();
  const std::lock_guard lock(sets.mutex);
  sets.names.clear();
}

DiskEntry DiscoverAssembledSet(int number, const std::string& sourceName, const app::LogReport& log,
                               DiscoveryLog lines) {
  const OpenedSource opened = OpenSource(sourceName);
  if (!opened.status.ok()) {
    DiskEntry entry;
    entry.number = number;
    entry.node.sourcePath = sourceName;
    entry.status = opened.status;
    return entry;
  }
  if (lines == DiscoveryLog::MediaPage) LogContainer(sourceName, opened, log);
  DiskEntry entry = DiscoverDisk(number, opened.reader, sourceName, log, lines);
  entry.container = opened.container;
  return entry;
}

void AddAssembledSets(MediaTree& media, const app::LogReport& log, DiscoveryLog lines) {
  for (const std::string& name : AssembledSets()) {
    const int number = static_cast<int>(media.disks.size());
    media.disks.push_back(DiscoverAssembledSet(number, name, log, lines));
  }
}

}  // namespace kestrel::disk
