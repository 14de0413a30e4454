// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string>

#include "app/LogReport.h"
#include "disk/DiskReader.h"
#include "disk/MediaTree.h"

namespace kestrel::disk {

// Opens physical disk n; a NotFound status ends the disk list.
using DiskOpener = std::function<OpenedSource(int n)>;

// Which lines a discovery writes to the log report: the media page's own reading of the disks
// ("Reading Netware partitions in disk", ...), or, for another page that lists the disks (the
// imaging source list), only the sectors that could not be read.
enum class DiscoveryLog { MediaPage, UnreadableOnly };

// Reads every disk: for n = 0, 1, 2, ... until a disk is not found, the disk's NetWare
// partitions (from the boot sector along the chain of partition headers), the pool of each
// partition and the pool's volumes. A disk that exists but cannot be opened is listed with the
// reason and does not end the list.
MediaTree DiscoverMedia(const DiskOpener& openDisk, const app::LogReport& log,
                        DiscoveryLog lines = DiscoveryLog::MediaPage);

// The partitions, pools and volumes of one disk (or disk image) named sourcePath, with the chain
// of the headers met on it, and on no other disk.
DiskEntry DiscoverDisk(int number, const DiskReader& reader, const std::string& sourcePath,
                       const app::LogReport& log, DiscoveryLog lines = DiscoveryLog::MediaPage);

// A pool image holds one pool whose PartitionHeader is its first sector.
DiskEntry DiscoverPoolImage(const DiskReader& reader, const std::string& sourcePath);

// Names in the log report the container an image is read through, with what the container
// records of the disk (an evidence file's case fields and stored hashes). A raw image or a disk
// writes nothing.
void LogContainer(const std::string& sourcePath, const OpenedSource& opened,
                  const app::LogReport& log);

}  // namespace kestrel::disk
