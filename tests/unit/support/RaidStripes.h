// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "disk/raid/RaidGeometry.h"

// Members of a RAID set striped here, a byte at a time and independently of the RAID source, for
// tests of reading and of finding the geometry.
namespace kestrel::test {

using disk::DataChunksPerRow;
using disk::DataMember;
using disk::MirrorPartner;
using disk::ParityMember;
using disk::RaidGeometry;
using disk::RaidLevel;
using disk::SyndromeMember;

// GF(2^8) multiplication by shifting and adding, independent of the tables under test.
inline std::uint8_t SlowMultiply(std::uint8_t a, std::uint8_t b) {
  unsigned product = 0;
  unsigned shifted = a;
  for (; b != 0; b >>= 1) {
    if (b & 1) product ^= shifted;
    shifted <<= 1;
    if (shifted & 0x100) shifted ^= 0x11D;
  }
  return static_cast<std::uint8_t>(product);
}

inline std::uint8_t SlowPower(int exponent) {
  std::uint8_t value = 1;
  for (int i = 0; i < exponent; ++i) value = SlowMultiply(value, 2);
  return value;
}

// The members of an array that holds `array`, written chunk by chunk with P and Q computed a byte
// at a time; a span's members are `spanSizes` long.
inline std::vector<std::vector<std::uint8_t>> Stripe(
    const RaidGeometry& geometry, const std::vector<std::uint8_t>& array,
    const std::vector<std::size_t>& spanSizes = {}) {
  const auto offset = static_cast<std::size_t>(geometry.offset);
  const auto stripe = static_cast<std::size_t>(geometry.stripe);
  std::vector<std::vector<std::uint8_t>> members(static_cast<std::size_t>(geometry.members));
  if (geometry.level == RaidLevel::Span) {
    std::size_t at = 0;
    for (std::size_t m = 0; m < members.size(); ++m) {
      members[m].assign(offset, 0xEE);
      members[m].insert(members[m].end(), array.begin() + at, array.begin() + at + spanSizes[m]);
      at += spanSizes[m];
    }
    return members;
  }
  if (geometry.level == RaidLevel::Raid1) {
    for (auto& member : members) {
      member.assign(offset, 0xEE);
      member.insert(member.end(), array.begin(), array.end());
    }
    return members;
  }
  const int perRow = DataChunksPerRow(geometry);
  const std::size_t rows = array.size() / (stripe * perRow);
  for (auto& member : members) member.assign(offset + rows * stripe, 0xEE);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::size_t base = offset + row * stripe;
    const auto r = static_cast<std::int64_t>(row);
    const int p = ParityMember(geometry, r), q = SyndromeMember(geometry, r);
    if (p >= 0) std::fill_n(members[p].begin() + base, stripe, 0);
    if (q >= 0) std::fill_n(members[q].begin() + base, stripe, 0);
    for (int k = 0; k < perRow; ++k) {
      const std::size_t from = (row * perRow + k) * stripe;
      const int m = DataMember(geometry, r, k);
      for (std::size_t i = 0; i < stripe; ++i) {
        const std::uint8_t byte = array[from + i];
        members[m][base + i] = byte;
        if (geometry.level == RaidLevel::Raid10) members[MirrorPartner(m)][base + i] = byte;
        if (p >= 0) members[p][base + i] ^= byte;
        if (q >= 0) members[q][base + i] ^= SlowMultiply(SlowPower(k), byte);
      }
    }
  }
  return members;
}

}  // namespace kestrel::test
