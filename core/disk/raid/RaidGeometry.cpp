// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidGeometry.h"

namespace kestrel::disk {
namespace {

int MinimumMembers(RaidLevel level) {
  switch (level) {
    case RaidLevel::Span:
      return 1;
    case RaidLevel::Raid0:
    case RaidLevel::Raid1:
      return 2;
    case RaidLevel::Raid5:
      return 3;
    case RaidLevel::Raid10:
    case RaidLevel::Raid6:
      return 4;
  }
  return 2;
}

bool LeftLayout(RaidLayout layout) {
  return layout == RaidLayout::LeftSymmetric || layout == RaidLayout::LeftAsymmetric;
}

bool SymmetricLayout(RaidLayout layout) {
  return layout == RaidLayout::LeftSymmetric || layout == RaidLayout::RightSymmetric;
}

int RowInCycle(const RaidGeometry& geometry, std::int64_t row) {
  return static_cast<int>(row % geometry.members);
}

}  // namespace

bool IsStriped(RaidLevel level) {
  return level != RaidLevel::Span && level != RaidLevel::Raid1;
}

int DataChunksPerRow(const RaidGeometry& geometry) {
  switch (geometry.level) {
    case RaidLevel::Span:
    case RaidLevel::Raid1:
      return 1;
    case RaidLevel::Raid0:
      return geometry.members;
    case RaidLevel::Raid10:
      return geometry.members / 2;
    case RaidLevel::Raid5:
      return geometry.members - 1;
    case RaidLevel::Raid6:
      return geometry.members - 2;
  }
  return 1;
}

int LosableMembers(const RaidGeometry& geometry) {
  switch (geometry.level) {
    case RaidLevel::Span:
    case RaidLevel::Raid0:
      return 0;
    case RaidLevel::Raid1:
      return geometry.members - 1;
    case RaidLevel::Raid10:
      return geometry.members / 2;
    case RaidLevel::Raid5:
      return 1;
    case RaidLevel::Raid6:
      return 2;
  }
  return 0;
}

int ParityMember(const RaidGeometry& geometry, std::int64_t row) {
  if (geometry.level != RaidLevel::Raid5 && geometry.level != RaidLevel::Raid6) return -1;
  // Left layouts start the parity on the last member and move it down a member a row; right
  // layouts start on the first and move up.
  const int cycle = RowInCycle(geometry, row);
  return LeftLayout(geometry.layout) ? geometry.members - 1 - cycle : cycle;
}

int SyndromeMember(const RaidGeometry& geometry, std::int64_t row) {
  if (geometry.level != RaidLevel::Raid6) return -1;
  return (ParityMember(geometry, row) + 1) % geometry.members;
}

int DataMember(const RaidGeometry& geometry, std::int64_t row, int k) {
  switch (geometry.level) {
    case RaidLevel::Span:
    case RaidLevel::Raid1:
    case RaidLevel::Raid0:
      return k;
    case RaidLevel::Raid10:
      return 2 * k;
    case RaidLevel::Raid5: {
      // Symmetric layouts start a row's data on the member after its parity and wrap around;
      // asymmetric ones fill the members in order, skipping the parity member.
      const int parity = ParityMember(geometry, row);
      if (SymmetricLayout(geometry.layout)) return (parity + 1 + k) % geometry.members;
      return k < parity ? k : k + 1;
    }
    case RaidLevel::Raid6:
      return (ParityMember(geometry, row) + 2 + k) % geometry.members;
  }
  return k;
}

std::optional<std::string> GeometryProblem(const RaidGeometry& geometry) {
  const int minimum = MinimumMembers(geometry.level);
  if (geometry.members < minimum) {
    return "RAID " + std::string(LevelName(geometry.level)) + " needs at least " +
           std::to_string(minimum) + " members, not " + std::to_string(geometry.members);
  }
  if (geometry.level == RaidLevel::Raid10 && geometry.members % 2 != 0)
    return "RAID 10 pairs its members, so it needs an even number of them";
  if (geometry.level == RaidLevel::Raid6 && geometry.layout != RaidLayout::LeftSymmetric)
    return "RAID 6 is read with the left-symmetric layout only";
  if (geometry.stripe < kSmallestStripe || geometry.stripe > kLargestStripe ||
      geometry.stripe % kRaidSectorSize != 0) {
    return "the stripe of " + std::to_string(geometry.stripe) +
           " bytes is not a multiple of 512 bytes from 512 bytes to 4 MiB";
  }
  if (geometry.offset < 0 || geometry.offset % kRaidSectorSize != 0)
    return "the offset of " + std::to_string(geometry.offset) + " bytes is not whole sectors";
  return std::nullopt;
}

std::int64_t ArraySize(const RaidGeometry& geometry, std::int64_t smallestMember,
                       std::int64_t allMembers) {
  if (geometry.level == RaidLevel::Span) return allMembers;
  if (geometry.level == RaidLevel::Raid1) return smallestMember / kRaidSectorSize * kRaidSectorSize;
  return smallestMember / geometry.stripe * geometry.stripe * DataChunksPerRow(geometry);
}

std::string_view LevelName(RaidLevel level) {
  constexpr std::string_view kNames[] = {"span", "0", "1", "10", "5", "6"};
  return kNames[static_cast<int>(level)];
}

std::string_view LayoutName(RaidLayout layout) {
  constexpr std::string_view kNames[] = {"left-symmetric", "left-asymmetric", "right-symmetric",
                                         "right-asymmetric"};
  return kNames[static_cast<int>(layout)];
}

}  // namespace kestrel::disk
