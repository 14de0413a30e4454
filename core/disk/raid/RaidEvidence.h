// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <unordered_map>
#include <vector>

#include "app/Progress.h"
#include "disk/ByteReader.h"
#include "disk/ByteSource.h"

namespace kestrel::disk {

// What a sample of an array's members shows, before any geometry is assumed: where on which member
// an NSS structure begins, and which stretches of each member were read. A member that is missing
// is seen as the XOR of the others, which is its bytes when the set is a RAID 5; and, for a RAID 6,
// as the XOR of the others but one (MissingWithout).
class RaidEvidence {
 public:
  enum class Sign : std::uint8_t { Boot, PartitionHeader, SuperBlock, TreeBlock };

  // Reads the head of every member and a few stretches spread over it; sources may hold one
  // nullptr (the missing member). The members are assumed the same size but for the last bytes.
  // The progress counts the bytes read; a stop request leaves the stretches not yet read zeros.
  static RaidEvidence Sample(const std::vector<std::shared_ptr<ByteSource>>& members,
                             app::ProgressObserver& progress, std::stop_token stop);

  int Members() const { return members_; }
  std::int64_t BytesRead() const { return bytesRead_; }
  // Where a boot sector begins on some member: the offsets the array may start at.
  std::vector<std::int64_t> BootOffsets() const;
  // Whether the member's byte was read.
  bool Sampled(int member, std::int64_t at) const;
  // The sign's value at the member's byte (the first header sector of a boot sector, the next
  // header sector of a partition header, the link of a tree block, 0 for a super block); nothing
  // where the sign does not begin there.
  const std::uint32_t* Find(int member, std::int64_t at, Sign sign) const;
  // The sector at the member's byte as read; empty where it was not read.
  ByteView SectorAt(int member, std::int64_t at) const;
  // The links of every tree block seen, each once.
  const std::vector<std::uint32_t>& TreeLinks() const { return treeLinks_; }

  // Of the sectors sampled from the member byte `from` on that hold anything, how many have every
  // member's XOR zero (RAID 5 parity), and how many in which members a and b agree (mirrors). The
  // sectors before the array's offset hold a controller's metadata, which keeps neither.
  struct Tally {
    int held = 0;
    int tried = 0;
  };
  Tally ParityTally(std::int64_t from) const;
  Tally MirrorTally(int a, int b, std::int64_t from) const;
  bool MemberMissing() const { return missing_ >= 0; }
  int Missing() const { return missing_; }  // -1 when every member is there
  // The missing member's bytes as the XOR of the others but `member`: its bytes in a RAID 6 row
  // whose Q syndrome lies on that member, since the row's P parity is then among the others. An
  // index of its own for Find, SectorAt and Sampled; -1 when none is missing or too few members
  // are there for a RAID 6.
  int MissingWithout(int member) const;

 private:
  struct Window {
    std::int64_t start;
    std::vector<std::uint8_t> bytes;
  };

  void ReadWindows(const std::vector<std::shared_ptr<ByteSource>>& members,
                   app::ProgressObserver& progress, const std::stop_token& stop);
  void RebuildMissing();
  void RebuildMissingWithoutEach();
  void FindSigns();
  const std::uint8_t* SectorAt(int member, std::size_t window, std::size_t sector) const;
  // Calls visit(window, sector) for every tally sector from the member byte `from` on.
  template <class Visit>
  void ForEachTallySector(std::int64_t from, Visit visit) const;

  // Per member, the same stretches on each; after the members, MissingWithout's stand-ins.
  std::vector<std::vector<Window>> windows_;
  int members_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t> signs_;
  std::vector<std::uint32_t> treeLinks_;
  int missing_ = -1;
  std::int64_t bytesRead_ = 0;
};

}  // namespace kestrel::disk
