// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidEvidence.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "disk/NssLayout.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "disk/raid/RaidParity.h"

namespace kestrel::disk {
namespace {

// A controller keeps its metadata in the first megabytes of a member, and the NSS structures that
// name the geometry (boot sector, partition header, pool super block, the volume directory) follow
// the array's start closely; the spread stretches add tree blocks from the rest of the pool.
constexpr std::int64_t kHeadBytes = std::int64_t{32} << 20;
constexpr int kSpreadStretches = 15;
constexpr std::int64_t kStretchBytes = std::int64_t{256} << 10;
// Parity and mirrors are compared on every eighth sector: the answer is the same, for less work.
constexpr std::size_t kTallyStep = 8;
constexpr auto kSector = static_cast<std::size_t>(layout::kSectorSize);

std::uint64_t SignKey(int member, std::int64_t at, RaidEvidence::Sign sign) {
  return (static_cast<std::uint64_t>(member) << 56) |
         (static_cast<std::uint64_t>(at / layout::kSectorSize) << 2) |
         static_cast<std::uint64_t>(sign);
}

bool AllZero(const std::uint8_t* sector) {
  return std::all_of(sector, sector + kSector, [](std::uint8_t byte) { return byte == 0; });
}

bool StartsWith(ByteView bytes, std::string_view signature) {
  return bytes.size() >= signature.size() &&
         std::memcmp(bytes.data(), signature.data(), signature.size()) == 0;
}

std::int64_t SmallestSize(const std::vector<std::shared_ptr<ByteSource>>& members) {
  std::int64_t smallest = -1;
  for (const auto& member : members) {
    if (member && (smallest < 0 || member->Size() < smallest)) smallest = member->Size();
  }
  return std::max<std::int64_t>(smallest, 0);
}

// The stretches read on every member: the head, then stretches spread evenly after it, whole
// sectors only.
std::vector<std::pair<std::int64_t, std::int64_t>> Stretches(std::int64_t size) {
  const std::int64_t whole = size - size % layout::kSectorSize;
  std::vector<std::pair<std::int64_t, std::int64_t>> stretches{{0, std::min(whole, kHeadBytes)}};
  for (int i = 1; i <= kSpreadStretches; ++i) {
    std::int64_t start = whole / (kSpreadStretches + 1) * i;
    start -= start % static_cast<std::int64_t>(layout::kBlockSize);
    if (start < stretches.back().first + stretches.back().second) continue;
    stretches.emplace_back(start, std::min(kStretchBytes, whole - start));
  }
  return stretches;
}

}  // namespace

RaidEvidence RaidEvidence::Sample(const std::vector<std::shared_ptr<ByteSource>>& members,
                                  app::ProgressObserver& progress, std::stop_token stop) {
  RaidEvidence evidence;
  evidence.ReadWindows(members, progress, stop);
  evidence.RebuildMissing();
  evidence.RebuildMissingWithoutEach();
  evidence.FindSigns();
  return evidence;
}

void RaidEvidence::ReadWindows(const std::vector<std::shared_ptr<ByteSource>>& members,
                               app::ProgressObserver& progress, const std::stop_token& stop) {
  const auto stretches = Stretches(SmallestSize(members));
  std::uint64_t total = 0;
  for (const auto& [start, length] : stretches) total += static_cast<std::uint64_t>(length);
  total *= static_cast<std::uint64_t>(
      std::count_if(members.begin(), members.end(), [](const auto& member) { return !!member; }));
  members_ = static_cast<int>(members.size());
  windows_.resize(members.size());
  std::uint64_t done = 0;
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (!members[m]) missing_ = static_cast<int>(m);
    for (const auto& [start, length] : stretches) {
      Window window{start, std::vector<std::uint8_t>(static_cast<std::size_t>(length), 0)};
      // An unreadable stretch stays zeros: it shows no structure and checks no parity.
      if (members[m] && !stop.stop_requested() && members[m]->ReadAt(start, window.bytes))
        bytesRead_ += length;
      windows_[m].push_back(std::move(window));
      done += members[m] ? static_cast<std::uint64_t>(length) : 0;
      progress.OnProgress({done, total, "Reading a sample of the members"});
    }
  }
}

void RaidEvidence::RebuildMissing() {
  if (missing_ < 0) return;
  auto& rebuilt = windows_[static_cast<std::size_t>(missing_)];
  for (std::size_t m = 0; m < windows_.size(); ++m) {
    if (static_cast<int>(m) == missing_) continue;
    for (std::size_t w = 0; w < rebuilt.size(); ++w)
      raid_parity::XorInto(rebuilt[w].bytes, windows_[m][w].bytes);
  }
}

void RaidEvidence::RebuildMissingWithoutEach() {
  if (MissingWithout(0) < 0) return;
  windows_.reserve(2 * windows_.size());  // `rebuilt` stays where it is
  const auto& rebuilt = windows_[static_cast<std::size_t>(missing_)];
  for (int m = 0; m < members_; ++m) {
    std::vector<Window> without = rebuilt;
    if (m == missing_) without.clear();
    for (std::size_t w = 0; w < without.size(); ++w)
      raid_parity::XorInto(without[w].bytes, windows_[static_cast<std::size_t>(m)][w].bytes);
    windows_.push_back(std::move(without));
  }
}

int RaidEvidence::MissingWithout(int member) const {
  constexpr int kFewestRaid6Members = 4;
  if (missing_ < 0 || members_ < kFewestRaid6Members || member < 0 || member >= members_) return -1;
  return members_ + member;
}

void RaidEvidence::FindSigns() {
  std::set<std::uint32_t> links;
  for (std::size_t m = 0; m < windows_.size(); ++m) {
    for (const Window& window : windows_[m]) {
      for (std::size_t at = 0; at + kSector <= window.bytes.size(); at += kSector) {
        const ByteView bytes = ByteView(window.bytes).subspan(at);
        const ByteView sector = bytes.first(kSector);
        const auto key = [&](Sign sign) {
          return SignKey(static_cast<int>(m), window.start + static_cast<std::int64_t>(at), sign);
        };
        if (IsNetWareBootSector(sector)) {
          signs_[key(Sign::Boot)] = FirstPartitionHeaderSector(sector);
        } else if (IsPartitionHeader(sector)) {
          signs_[key(Sign::PartitionHeader)] = NextPartitionHeaderSector(sector);
        } else if (IsPoolSuperBlock(sector)) {
          signs_[key(Sign::SuperBlock)] = 0;
        } else if (StartsWith(sector, layout::kTreeBlockSignature)) {
          const std::uint32_t link =
              TreeBlockLink(bytes.first(std::min(bytes.size(), layout::kBlockSize)));
          signs_[key(Sign::TreeBlock)] = link;
          if (link != 0 && link != layout::kNoBlock) links.insert(link);
        }
      }
    }
  }
  treeLinks_.assign(links.begin(), links.end());
}

const std::uint8_t* RaidEvidence::SectorAt(int member, std::size_t window,
                                           std::size_t sector) const {
  return windows_[static_cast<std::size_t>(member)][window].bytes.data() + sector * kSector;
}

template <class Visit>
void RaidEvidence::ForEachTallySector(std::int64_t from, Visit visit) const {
  if (windows_.empty()) return;
  for (std::size_t w = 0; w < windows_[0].size(); ++w) {
    const Window& window = windows_[0][w];
    for (std::size_t s = 0; s < window.bytes.size() / kSector; s += kTallyStep) {
      if (window.start + static_cast<std::int64_t>(s * kSector) >= from) visit(w, s);
    }
  }
}

RaidEvidence::Tally RaidEvidence::ParityTally(std::int64_t from) const {
  Tally tally;
  if (missing_ >= 0) return tally;  // the rebuilt member makes every row check
  std::vector<std::uint8_t> sum(kSector);
  ForEachTallySector(from, [&](std::size_t w, std::size_t s) {
    std::fill(sum.begin(), sum.end(), 0);
    bool anything = false;
    for (int m = 0; m < Members(); ++m) {
      anything = anything || !AllZero(SectorAt(m, w, s));
      raid_parity::XorInto(sum, ByteView(SectorAt(m, w, s), kSector));
    }
    if (!anything) return;
    ++tally.tried;
    if (AllZero(sum.data())) ++tally.held;
  });
  return tally;
}

RaidEvidence::Tally RaidEvidence::MirrorTally(int a, int b, std::int64_t from) const {
  Tally tally;
  if (a == missing_ || b == missing_) return tally;
  ForEachTallySector(from, [&](std::size_t w, std::size_t s) {
    const std::uint8_t* first = SectorAt(a, w, s);
    const std::uint8_t* second = SectorAt(b, w, s);
    if (AllZero(first) && AllZero(second)) return;
    ++tally.tried;
    if (std::memcmp(first, second, kSector) == 0) ++tally.held;
  });
  return tally;
}

std::vector<std::int64_t> RaidEvidence::BootOffsets() const {
  std::set<std::int64_t> offsets;
  for (const auto& [key, value] : signs_) {
    if ((key & 3) == static_cast<std::uint64_t>(Sign::Boot))
      offsets.insert(static_cast<std::int64_t>((key & ((std::uint64_t{1} << 56) - 1)) >> 2) *
                     layout::kSectorSize);
  }
  return {offsets.begin(), offsets.end()};
}

ByteView RaidEvidence::SectorAt(int member, std::int64_t at) const {
  if (member < 0 || member >= std::ssize(windows_) || at % layout::kSectorSize != 0) return {};
  for (const Window& window : windows_[static_cast<std::size_t>(member)]) {
    const std::int64_t within = at - window.start;
    if (within >= 0 && within + static_cast<std::int64_t>(kSector) <= std::ssize(window.bytes))
      return ByteView(window.bytes).subspan(static_cast<std::size_t>(within), kSector);
  }
  return {};
}

bool RaidEvidence::Sampled(int member, std::int64_t at) const {
  if (member < 0 || member >= std::ssize(windows_)) return false;
  for (const Window& window : windows_[static_cast<std::size_t>(member)]) {
    if (at >= window.start && at < window.start + static_cast<std::int64_t>(window.bytes.size()))
      return true;
  }
  return false;
}

const std::uint32_t* RaidEvidence::Find(int member, std::int64_t at, Sign sign) const {
  if (at < 0 || at % layout::kSectorSize != 0) return nullptr;
  const auto found = signs_.find(SignKey(member, at, sign));
  return found == signs_.end() ? nullptr : &found->second;
}

}  // namespace kestrel::disk
