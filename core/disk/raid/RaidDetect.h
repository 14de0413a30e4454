// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "app/Progress.h"
#include "app/Result.h"
#include "disk/ByteSource.h"
#include "disk/raid/RaidGeometry.h"

namespace kestrel::disk {

// One way the members may form an array, with how well the NSS structures on them agree with it.
struct RaidCandidate {
  RaidGeometry geometry;
  std::vector<int> order;  // order[slot]: the member, as given, that sits in the array's slot
  int score = 0;
  std::vector<std::string> evidence;  // the facts that held or failed, one line each
};

struct RaidDetection {
  std::vector<RaidCandidate> candidates;  // the best first; none when nothing is consistent
  std::int64_t bytesRead = 0;
  std::int64_t memberBytes = 0;  // the size of the members given, for the share read
};

inline constexpr std::string_view kNoConsistentGeometry = "no consistent geometry";
inline constexpr std::string_view kGeometryNotCertain =
    "the best geometries score alike: the members do not tell them apart";
inline constexpr std::string_view kDetectionStopped = "the RAID detection was stopped";

// Whether one candidate scores above every other: when the best two score alike, taking the
// first would be a guess, and a wrong geometry reads garbage that looks like data.
bool BestIsCertain(const RaidDetection& detection);

// Finds the level, stripe, member order, RAID 5 layout and start offset under which the members
// show one NSS disk: a boot sector at the array's start, the partition headers and pool super
// blocks it leads to, tree blocks where the links of other tree blocks point, and rows whose
// parity or mirrors check. The members are sampled once; the start offsets where a boot sector
// leads to a pool are weighed, and every geometry and order is scored on the sample at the few
// strongest. One member may be missing (a null source). At most `keep` candidates are returned.
// The progress counts the bytes sampled, then the offsets weighed and scored; a stop request ends
// the detection with kDetectionStopped.
app::Result<RaidDetection> DetectRaid(const std::vector<std::shared_ptr<ByteSource>>& members,
                                      app::ProgressObserver& progress, std::stop_token stop,
                                      std::size_t keep = 5);
// The same, unwatched and not stopped.
app::Result<RaidDetection> DetectRaid(const std::vector<std::shared_ptr<ByteSource>>& members,
                                      std::size_t keep = 5);

// The SET that opens the candidate's array over the members as they were named.
std::string CandidateDefinition(const RaidCandidate& candidate,
                                const std::vector<std::string>& names);

}  // namespace kestrel::disk
