// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel::disk {

enum class RaidLevel { Span, Raid0, Raid1, Raid10, Raid5, Raid6 };

// Where a RAID 5 row keeps its parity chunk and in which order its data chunks follow, as Linux md
// names the four layouts that controllers also use. RAID 6 is read left-symmetric only.
enum class RaidLayout { LeftSymmetric, LeftAsymmetric, RightSymmetric, RightAsymmetric };

inline constexpr std::int64_t kRaidSectorSize = 512;
inline constexpr std::int64_t kSmallestStripe = 512;
inline constexpr std::int64_t kLargestStripe = std::int64_t{4} << 20;

// How an array lays its bytes on its members. A row is one stripe-sized chunk on every member;
// the array's bytes fill the data chunks of row 0 in order, then those of row 1, and so on.
struct RaidGeometry {
  RaidLevel level = RaidLevel::Raid0;
  RaidLayout layout = RaidLayout::LeftSymmetric;
  std::int64_t stripe = 64 * 1024;  // bytes of one chunk on one member
  std::int64_t offset = 0;          // where the array begins on every member (controller metadata)
  int members = 0;
};

// Whether the level cuts the array into chunks (0, 10, 5, 6); span and RAID 1 do not.
bool IsStriped(RaidLevel level);
// Data chunks in one row: the members less the parity chunks, or the mirrored pairs of RAID 10.
int DataChunksPerRow(const RaidGeometry& geometry);
// How many members may be lost while every byte can still be read: one per RAID 10 pair.
int LosableMembers(const RaidGeometry& geometry);

// The member that holds data chunk k of a row (for RAID 10 the first copy; its partner is
// MirrorPartner).
int DataMember(const RaidGeometry& geometry, std::int64_t row, int k);
// The member with a row's P parity (RAID 5 and 6) and Q syndrome (RAID 6); -1 where there is none.
int ParityMember(const RaidGeometry& geometry, std::int64_t row);
int SyndromeMember(const RaidGeometry& geometry, std::int64_t row);
inline int MirrorPartner(int member) {
  return member ^ 1;
}

// Why the geometry cannot be read: too few members for the level, a stripe out of range or not
// whole sectors, an offset not whole sectors, a layout RAID 6 is not read with.
std::optional<std::string> GeometryProblem(const RaidGeometry& geometry);

// The array's size from the bytes each member holds after the offset (the smallest of them for
// every level but span, which adds them): whole rows only, as md sizes an array.
std::int64_t ArraySize(const RaidGeometry& geometry, std::int64_t smallestMember,
                       std::int64_t allMembers);

std::string_view LevelName(RaidLevel level);
std::string_view LayoutName(RaidLayout layout);

}  // namespace kestrel::disk
