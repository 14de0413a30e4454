// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "disk/raid/RaidDefinition.h"
#include "disk/raid/RaidGeometry.h"

namespace kestrel::disk {

// What a person picks to assemble an array by hand: the geometry's fields and the members in
// order, each an image path, a disk's member name or "missing".
struct RaidAssembly {
  RaidLevel level = RaidLevel::Raid5;
  RaidLayout layout = RaidLayout::LeftSymmetric;
  std::int64_t stripe = 64 * 1024;
  std::string offset = "0";  // as typed: bytes, or with k or m
  std::vector<std::string> members;
};

inline constexpr RaidLevel kRaidLevels[] = {RaidLevel::Span,   RaidLevel::Raid0, RaidLevel::Raid1,
                                            RaidLevel::Raid10, RaidLevel::Raid5, RaidLevel::Raid6};
inline constexpr RaidLayout kRaidLayouts[] = {RaidLayout::LeftSymmetric, RaidLayout::LeftAsymmetric,
                                              RaidLayout::RightSymmetric,
                                              RaidLayout::RightAsymmetric};

// Only the parity levels place their chunks by a layout; for the others it is not asked.
bool UsesParityLayout(RaidLevel level);

// The stripes offered: every power of two from 512 bytes to 4 MiB.
std::vector<std::int64_t> StripeChoices();

// A byte count as the definition writes it: with m or k where it is whole mebibytes or kibibytes.
std::string ShortByteCountText(std::int64_t bytes);

// The member that names physical disk n.
std::string DiskMember(int disk);

// The definition the choice stands for, in the grammar ParseRaidDefinition reads, once it parses
// and its geometry can be read; else what is wrong with the choice.
app::Result<std::string> BuildRaidDefinition(const RaidAssembly& assembly);

// The choice a definition stands for: what Detect fills the fields with from the geometry found.
RaidAssembly AssemblyOf(const RaidDefinition& definition);

}  // namespace kestrel::disk
