// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

#include "app/LogReport.h"
#include "disk/MediaDiscovery.h"
#include "disk/MediaTree.h"

namespace kestrel::disk {

// The RAID sets assembled in this run of the program, by the names OpenSource opens them by
// ("raid:..."): assembled once, a set stays on every page that lists the disks, after them,
// until the program ends. Safe to use from any thread.
void RememberAssembledSet(const std::string& sourceName);
std::vector<std::string> AssembledSets();
// As at the start of a run: no set remembered.
void ForgetAssembledSets();

// The set as a disk numbered `number`: read as DiscoverDisk reads a disk, or listed with the
// reason it no longer opens (a member image moved away).
DiskEntry DiscoverAssembledSet(int number, const std::string& sourceName, const app::LogReport& log,
                               DiscoveryLog lines);

// Every remembered set appended to the media's disks, in the order they were assembled.
void AddAssembledSets(MediaTree& media, const app::LogReport& log, DiscoveryLog lines);

}  // namespace kestrel::disk
