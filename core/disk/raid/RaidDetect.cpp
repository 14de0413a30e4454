// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidDetect.h"

#include <algorithm>
#include <array>
#include <map>
#include <numeric>
#include <optional>
#include <tuple>
#include <utility>

#include "disk/NssLayout.h"
#include "disk/NssStructures.h"
#include "disk/TreeBlock.h"
#include "disk/raid/RaidEvidence.h"

namespace kestrel::disk {
namespace {

using Sign = RaidEvidence::Sign;
using Tally = RaidEvidence::Tally;

// Every order of six members is tried; beyond that the orders outgrow the time a person waits.
constexpr int kMostMembers = 6;
// A pool's partition headers are chained; a chain longer than this is damage.
constexpr int kMostHeaders = 16;
// The start offsets scored with every level, stripe and order: a sample of a damaged disk may hold
// a boot sector in every sector, and each offset costs a full scoring.
constexpr std::size_t kStrongestOffsets = 4;
constexpr int kStructureWeight = 4;  // a boot sector, partition header or super block in place
constexpr int kCheckWeight = 8;      // parity or mirrors that check on the sampled sectors

constexpr RaidLayout kLayouts[] = {RaidLayout::LeftSymmetric, RaidLayout::LeftAsymmetric,
                                   RaidLayout::RightSymmetric, RaidLayout::RightAsymmetric};

struct Place {
  int member;
  std::int64_t at;
};

// Every copy of one array byte on the members: one, two for RAID 10, all of them for RAID 1.
struct Places {
  std::array<Place, kMostMembers> items;
  int count = 0;
  void Add(int member, std::int64_t at) { items[static_cast<std::size_t>(count++)] = {member, at}; }
};

// A geometry under test, with the members in the order it puts them.
struct Trial {
  RaidGeometry geometry;
  std::vector<int> order;
};

struct Facts {
  bool boot = false;
  int headers = 0;
  int headersAbsent = 0;  // named by the chain, sampled, and not there
  int superBlocks = 0;
  int linksHeld = 0;
  int linksBroken = 0;
  Tally check;  // parity (RAID 5) or mirrors (RAID 1, 10) on the sampled sectors
  bool parityWithoutParityLevel = false;
};

struct Scored {
  Trial trial;
  Facts facts;
  int score = 0;
};

bool Holds(const Tally& tally) {
  return tally.tried > 0 && tally.held * 10 >= tally.tried * 9;
}

// Where a structure counts as found: on the member the trial's order puts there, or on any member,
// which no order beats (the weighing of a start offset before its orders are tried).
enum class Where { Exact, AnyMember };

class Search {
 public:
  Search(const RaidEvidence& evidence, std::vector<std::int64_t> sizes)
      : evidence_(evidence), sizes_(std::move(sizes)) {
    for (int member = 0; member < evidence.Members(); ++member) {
      everyMember_.push_back(member);
      if (evidence.MissingWithout(member) >= 0)
        everyMember_.push_back(evidence.MissingWithout(member));
    }
  }

  Places Locate(const Trial& trial, std::int64_t byte) const;
  Facts Examine(const Trial& trial) const;
  // The most the boot sectors at the start offset lead to under any of the geometries, each
  // structure found on any member: what no order beats. Nothing when no geometry reaches a pool,
  // as no trial at the offset is then consistent.
  std::optional<int> Weigh(const std::vector<RaidGeometry>& geometries) const;

 private:
  const std::uint32_t* FindAny(const Places& places, Sign sign) const;
  const std::uint32_t* FindOnAnyMember(const Places& places, Sign sign) const;
  const std::uint32_t* Find(const Places& places, Sign sign, Where where) const;
  std::vector<std::uint32_t> BootsAt(std::int64_t offset) const;
  std::vector<std::int64_t> FollowChain(const Trial& trial, std::uint32_t firstHeader, Where where,
                                        Facts& facts) const;
  bool AnySampled(const Places& places) const;
  std::vector<std::uint8_t> ReadArray(const Trial& trial, std::int64_t byte,
                                      std::size_t length) const;
  std::vector<std::uint8_t> FollowToTreeBlock(const Trial& trial, std::int64_t poolBase,
                                              std::uint64_t block, Facts& facts) const;
  void CountReferences(const Trial& trial, std::int64_t poolBase, Facts& facts) const;
  void CountLinks(const Trial& trial, const std::vector<std::int64_t>& poolBases,
                  Facts& facts) const;
  Tally CheckOf(const Trial& trial) const;
  Tally ParityFrom(std::int64_t offset) const;
  Tally MirrorFrom(int a, int b, std::int64_t offset) const;

  const RaidEvidence& evidence_;
  std::vector<std::int64_t> sizes_;
  std::vector<int> everyMember_;  // with the missing member's RAID 6 stand-ins
  // The tallies read every sampled sector: each is taken once per offset and pair.
  mutable std::map<std::int64_t, Tally> parity_;
  mutable std::map<std::tuple<int, int, std::int64_t>, Tally> mirrors_;
};

Places Search::Locate(const Trial& trial, std::int64_t byte) const {
  const RaidGeometry& geometry = trial.geometry;
  const auto member = [&](int slot) { return trial.order[static_cast<std::size_t>(slot)]; };
  Places places;
  if (geometry.level == RaidLevel::Span) {
    for (int slot = 0; slot < geometry.members; ++slot) {
      const std::int64_t length = sizes_[static_cast<std::size_t>(member(slot))] - geometry.offset;
      if (byte < length) {
        places.Add(member(slot), geometry.offset + byte);
        break;
      }
      byte -= length;
    }
  } else if (geometry.level == RaidLevel::Raid1) {
    for (int slot = 0; slot < geometry.members; ++slot)
      places.Add(member(slot), geometry.offset + byte);
  } else {
    const std::int64_t chunk = byte / geometry.stripe;
    const int perRow = DataChunksPerRow(geometry);
    const std::int64_t row = chunk / perRow;
    const int slot = DataMember(geometry, row, static_cast<int>(chunk % perRow));
    const std::int64_t at = geometry.offset + row * geometry.stripe + byte % geometry.stripe;
    int placed = member(slot);
    // A RAID 6 data chunk of the missing member is P and the row's other data chunks, XORed: the
    // others but the row's Q.
    if (geometry.level == RaidLevel::Raid6 && placed == evidence_.Missing())
      placed = evidence_.MissingWithout(member(SyndromeMember(geometry, row)));
    places.Add(placed, at);
    if (geometry.level == RaidLevel::Raid10) places.Add(member(MirrorPartner(slot)), at);
  }
  return places;
}

const std::uint32_t* Search::FindAny(const Places& places, Sign sign) const {
  for (int i = 0; i < places.count; ++i) {
    const Place& place = places.items[static_cast<std::size_t>(i)];
    if (const std::uint32_t* value = evidence_.Find(place.member, place.at, sign)) return value;
  }
  return nullptr;
}

const std::uint32_t* Search::FindOnAnyMember(const Places& places, Sign sign) const {
  for (int i = 0; i < places.count; ++i) {
    for (const int member : everyMember_) {
      const std::int64_t at = places.items[static_cast<std::size_t>(i)].at;
      if (const std::uint32_t* value = evidence_.Find(member, at, sign)) return value;
    }
  }
  return nullptr;
}

const std::uint32_t* Search::Find(const Places& places, Sign sign, Where where) const {
  return where == Where::Exact ? FindAny(places, sign) : FindOnAnyMember(places, sign);
}

// The first partition header sector of every boot sector at the offset, on any member, each once.
std::vector<std::uint32_t> Search::BootsAt(std::int64_t offset) const {
  std::vector<std::uint32_t> boots;
  for (const int member : everyMember_) {
    if (const std::uint32_t* boot = evidence_.Find(member, offset, Sign::Boot))
      boots.push_back(*boot);
  }
  std::sort(boots.begin(), boots.end());
  boots.erase(std::unique(boots.begin(), boots.end()), boots.end());
  return boots;
}

bool Search::AnySampled(const Places& places) const {
  for (int i = 0; i < places.count; ++i) {
    const Place& place = places.items[static_cast<std::size_t>(i)];
    if (evidence_.Sampled(place.member, place.at)) return true;
  }
  return false;
}

// The array's bytes as the sample holds them under the trial geometry; empty where a sector of
// them was not read.
std::vector<std::uint8_t> Search::ReadArray(const Trial& trial, std::int64_t byte,
                                            std::size_t length) const {
  std::vector<std::uint8_t> bytes;
  for (std::size_t done = 0; done < length; done += layout::kSectorSize) {
    const Places places = Locate(trial, byte + static_cast<std::int64_t>(done));
    // A copy on a member that is there before the missing member's stand-in, which is its bytes
    // under RAID 5 only (Locate places a RAID 6 chunk on a stand-in of its own).
    ByteView sector;
    for (const bool present : {true, false}) {
      for (int i = 0; i < places.count && sector.empty(); ++i) {
        const Place& place = places.items[static_cast<std::size_t>(i)];
        if ((place.member != evidence_.Missing()) == present)
          sector = evidence_.SectorAt(place.member, place.at);
      }
    }
    if (sector.empty()) return {};
    bytes.insert(bytes.end(), sector.begin(), sector.end());
  }
  return bytes;
}

// A block that names the first tree block of a chain (a volume directory anchor, a volume's root
// block): the named block must begin with "LEAF". Counted as a link; the tree block when it does.
std::vector<std::uint8_t> Search::FollowToTreeBlock(const Trial& trial, std::int64_t poolBase,
                                                    std::uint64_t block, Facts& facts) const {
  const auto naming = BlockOffset(poolBase, block);
  if (!naming) return {};
  const auto named =
      BlockOffset(poolBase, FirstChainBlock(ReadArray(trial, *naming, layout::kSectorSize)));
  if (!named) return {};
  auto tree = ReadArray(trial, *named, layout::kBlockSize);
  if (tree.empty()) return {};
  if (!IsTreeBlock(tree)) {
    ++facts.linksBroken;
    return {};
  }
  ++facts.linksHeld;
  return tree;
}

// The super block names the volume directory's anchor; the directory's volume records name each
// volume's root block ("ZVL" marks their VolumeInfo); each leads to a tree block.
void Search::CountReferences(const Trial& trial, std::int64_t poolBase, Facts& facts) const {
  const auto superBlock = ReadArray(trial, poolBase, layout::kSectorSize);
  if (superBlock.empty()) return;
  const auto directory =
      FollowToTreeBlock(trial, poolBase, VolumeDirectoryAnchorBlock(superBlock), facts);
  const std::string_view text(reinterpret_cast<const char*>(directory.data()), directory.size());
  for (std::size_t at = text.find(layout::kVolumeInfoMark); at != std::string_view::npos;
       at = text.find(layout::kVolumeInfoMark, at + 1)) {
    FollowToTreeBlock(trial, poolBase, ReadU64(directory, at + layout::kVolumeInfoRootBlock),
                      facts);
  }
}

// A tree block's link names the next block of its chain, itself a tree block: under the right
// geometry the named block begins with "LEAF" in one of the pools.
void Search::CountLinks(const Trial& trial, const std::vector<std::int64_t>& poolBases,
                        Facts& facts) const {
  for (const std::uint32_t link : evidence_.TreeLinks()) {
    bool sampled = false;
    bool held = false;
    for (const std::int64_t base : poolBases) {
      const auto block = BlockOffset(base, link);
      if (!block) continue;
      const Places places = Locate(trial, *block);
      sampled = sampled || AnySampled(places);
      held = held || FindAny(places, Sign::TreeBlock) != nullptr;
    }
    if (held)
      ++facts.linksHeld;
    else if (sampled)
      ++facts.linksBroken;
  }
}

Tally Search::ParityFrom(std::int64_t offset) const {
  const auto found = parity_.find(offset);
  if (found != parity_.end()) return found->second;
  return parity_[offset] = evidence_.ParityTally(offset);
}

Tally Search::MirrorFrom(int a, int b, std::int64_t offset) const {
  const auto key = std::make_tuple(std::min(a, b), std::max(a, b), offset);
  const auto found = mirrors_.find(key);
  if (found != mirrors_.end()) return found->second;
  return mirrors_[key] = evidence_.MirrorTally(a, b, offset);
}

Tally Search::CheckOf(const Trial& trial) const {
  const RaidGeometry& geometry = trial.geometry;
  const auto& order = trial.order;
  Tally tally;
  const auto add = [&](int a, int b) {
    const Tally pair = MirrorFrom(a, b, geometry.offset);
    tally.held += pair.held;
    tally.tried += pair.tried;
  };
  if (geometry.level == RaidLevel::Raid5) return ParityFrom(geometry.offset);
  if (geometry.level == RaidLevel::Raid1) {
    for (int slot = 1; slot < geometry.members; ++slot) add(order[0], order[slot]);
  }
  if (geometry.level == RaidLevel::Raid10) {
    for (int slot = 0; slot + 1 < geometry.members; slot += 2) add(order[slot], order[slot + 1]);
  }
  return tally;
}

// The chain of partition headers from the first a boot sector names, and the pool super block
// after each: counted into the facts; the pools' bases returned.
std::vector<std::int64_t> Search::FollowChain(const Trial& trial, std::uint32_t firstHeader,
                                              Where where, Facts& facts) const {
  std::vector<std::int64_t> poolBases;
  std::uint32_t sector = firstHeader;
  for (int i = 0; i < kMostHeaders && sector != 0; ++i) {
    const std::int64_t header = static_cast<std::int64_t>(sector) * layout::kSectorSize;
    const Places places = Locate(trial, header);
    const std::uint32_t* next = Find(places, Sign::PartitionHeader, where);
    if (!next) {
      if (AnySampled(places)) ++facts.headersAbsent;
      break;
    }
    ++facts.headers;
    const std::int64_t base = header + layout::kPoolSuperBlockOffset;
    if (Find(Locate(trial, base), Sign::SuperBlock, where)) {
      ++facts.superBlocks;
      poolBases.push_back(base);
    }
    if (*next <= sector) break;  // headers follow one another up the disk
    sector = *next;
  }
  return poolBases;
}

int StructureScore(const Facts& facts) {
  const int structures = (facts.boot ? 1 : 0) + facts.headers + facts.superBlocks;
  return kStructureWeight * (structures - facts.headersAbsent);
}

bool ReachesPool(const Facts& facts) {
  return facts.boot && facts.headers > 0 && facts.superBlocks > 0;
}

std::optional<int> Search::Weigh(const std::vector<RaidGeometry>& geometries) const {
  if (geometries.empty()) return std::nullopt;
  std::optional<int> strongest;
  std::vector<int> order(sizes_.size());
  std::iota(order.begin(), order.end(), 0);
  for (const std::uint32_t boot : BootsAt(geometries.front().offset)) {
    for (const RaidGeometry& geometry : geometries) {
      Facts facts;
      facts.boot = true;
      FollowChain({geometry, order}, boot, Where::AnyMember, facts);
      if (ReachesPool(facts)) strongest = std::max(strongest.value_or(0), StructureScore(facts));
    }
  }
  return strongest;
}

// The boot sector at the array's start, the chain of partition headers it leads to, the pool super
// block after each, the links between tree blocks, and the level's parity or mirrors. A trial that
// reaches no pool is inconsistent whatever else holds: the rest is not looked at.
Facts Search::Examine(const Trial& trial) const {
  Facts facts;
  const std::uint32_t* boot = FindAny(Locate(trial, 0), Sign::Boot);
  if (!boot) return facts;
  facts.boot = true;
  const std::vector<std::int64_t> poolBases = FollowChain(trial, *boot, Where::Exact, facts);
  if (!ReachesPool(facts)) return facts;
  CountLinks(trial, poolBases, facts);
  for (const std::int64_t base : poolBases) CountReferences(trial, base, facts);
  facts.check = CheckOf(trial);
  const RaidLevel level = trial.geometry.level;
  facts.parityWithoutParityLevel =
      (level == RaidLevel::Span || level == RaidLevel::Raid0 || level == RaidLevel::Raid6) &&
      Holds(ParityFrom(trial.geometry.offset));
  return facts;
}

int CheckScore(const Facts& facts) {
  if (facts.parityWithoutParityLevel) return -2 * kCheckWeight;
  if (facts.check.tried == 0) return 0;
  return Holds(facts.check) ? kCheckWeight : -2 * kCheckWeight;
}

int ScoreOf(const Facts& facts) {
  return StructureScore(facts) + facts.linksHeld - 2 * facts.linksBroken + CheckScore(facts);
}

// Consistent: the array starts with a boot sector whose first partition header and pool super
// block are in place (a disk without a pool holds nothing to recover), no more links break than
// hold, and the parity or mirrors do not contradict the level.
bool Consistent(const Facts& facts) {
  return ReachesPool(facts) && facts.linksHeld >= facts.linksBroken && CheckScore(facts) >= 0;
}

std::string SizeText(std::int64_t bytes) {
  if (bytes != 0 && bytes % (1 << 20) == 0) return std::to_string(bytes >> 20) + "m";
  if (bytes != 0 && bytes % (1 << 10) == 0) return std::to_string(bytes >> 10) + "k";
  return std::to_string(bytes);
}

std::vector<std::string> EvidenceLines(const Facts& facts, RaidLevel level) {
  std::vector<std::string> lines{"boot sector at the start of the array"};
  lines.push_back(std::to_string(facts.headers) +
                  " partition header(s) where the chain names them" +
                  (facts.headersAbsent ? ", 1 missing" : ""));
  lines.push_back(std::to_string(facts.superBlocks) + " pool super block(s) in place");
  lines.push_back(
      std::to_string(facts.linksHeld) + " of " +
      std::to_string(facts.linksHeld + facts.linksBroken) +
      " block links sampled (tree block chains, volume directory, volume roots) land on "
      "tree blocks");
  if (facts.parityWithoutParityLevel)
    lines.push_back("the members' XOR is zero, as parity makes it, which this level has none of");
  if (facts.check.tried > 0) {
    const std::string what = level == RaidLevel::Raid5 ? "parity checks" : "mirrored members agree";
    lines.push_back(what + " on " + std::to_string(facts.check.held) + " of " +
                    std::to_string(facts.check.tried) + " sampled sectors");
  }
  return lines;
}

// The levels and layouts the members could form, each with one member missing at most.
std::vector<RaidGeometry> Shapes(int members, bool missing) {
  std::vector<RaidGeometry> shapes;
  const auto add = [&](RaidLevel level, RaidLayout layout) {
    RaidGeometry geometry{level, layout, kSmallestStripe, 0, members};
    if (level == RaidLevel::Raid5 && members < 3) return;  // two members are a mirror
    if (GeometryProblem(geometry) || (missing && LosableMembers(geometry) < 1)) return;
    shapes.push_back(geometry);
  };
  add(RaidLevel::Span, RaidLayout::LeftSymmetric);
  add(RaidLevel::Raid0, RaidLayout::LeftSymmetric);
  add(RaidLevel::Raid1, RaidLayout::LeftSymmetric);
  add(RaidLevel::Raid10, RaidLayout::LeftSymmetric);
  for (const RaidLayout layout : kLayouts) add(RaidLevel::Raid5, layout);
  add(RaidLevel::Raid6, RaidLayout::LeftSymmetric);
  return shapes;
}

std::vector<std::int64_t> StripesFor(RaidLevel level, std::int64_t room) {
  if (!IsStriped(level)) return {RaidGeometry{}.stripe};
  std::vector<std::int64_t> stripes;
  for (std::int64_t stripe = kSmallestStripe; stripe <= kLargestStripe && stripe <= room;
       stripe *= 2)
    stripes.push_back(stripe);
  return stripes;
}

// Orders that read differently: RAID 1 reads the same in any order, and the two members of a
// RAID 10 pair may change places.
bool DistinctOrder(const RaidGeometry& geometry, const std::vector<int>& order) {
  if (geometry.level == RaidLevel::Raid1) return std::is_sorted(order.begin(), order.end());
  if (geometry.level != RaidLevel::Raid10) return true;
  for (std::size_t slot = 0; slot + 1 < order.size(); slot += 2) {
    if (order[slot] > order[slot + 1]) return false;
  }
  return true;
}

// Every level, layout and stripe the members may form from `offset` on.
std::vector<RaidGeometry> GeometriesAt(const std::vector<RaidGeometry>& shapes, std::int64_t offset,
                                       std::int64_t smallest) {
  std::vector<RaidGeometry> geometries;
  for (RaidGeometry shape : shapes) {
    shape.offset = offset;
    for (const std::int64_t stripe : StripesFor(shape.level, smallest - offset)) {
      shape.stripe = stripe;
      geometries.push_back(shape);
    }
  }
  return geometries;
}

// The observer and stop request of one detection.
struct Watch {
  app::ProgressObserver& progress;
  std::stop_token stop;
};

// The start offsets worth scoring in full: those where a boot sector leads to a pool under some
// geometry, the strongest first, at most kStrongestOffsets (the lower offset first among equals).
std::vector<std::int64_t> StrongestOffsets(const Search& search, const RaidEvidence& evidence,
                                           const std::vector<RaidGeometry>& shapes,
                                           std::int64_t smallest, const Watch& watch) {
  const std::vector<std::int64_t> offsets = evidence.BootOffsets();
  std::vector<std::pair<int, std::int64_t>> weighed;  // (-weight, offset): the strongest first
  for (std::size_t i = 0; i < offsets.size() && !watch.stop.stop_requested(); ++i) {
    watch.progress.OnProgress(
        {i, offsets.size(), "Weighing the places the array may start at", app::WorkUnit::Records});
    if (const auto weight = search.Weigh(GeometriesAt(shapes, offsets[i], smallest)))
      weighed.emplace_back(-*weight, offsets[i]);
  }
  const std::size_t kept = std::min(kStrongestOffsets, weighed.size());
  std::partial_sort(weighed.begin(), weighed.begin() + static_cast<std::ptrdiff_t>(kept),
                    weighed.end());
  std::vector<std::int64_t> strongest;
  for (std::size_t i = 0; i < kept; ++i) strongest.push_back(weighed[i].second);
  return strongest;
}

// Every geometry and member order at the offsets, the consistent ones with their scores.
std::vector<Scored> ScoreAll(const Search& search, const std::vector<std::int64_t>& offsets,
                             const std::vector<RaidGeometry>& shapes, std::int64_t smallest,
                             const Watch& watch) {
  std::vector<Scored> consistent;
  for (std::size_t i = 0; i < offsets.size() && !watch.stop.stop_requested(); ++i) {
    watch.progress.OnProgress({i, offsets.size(), "Scoring the geometries at the strongest places",
                               app::WorkUnit::Records});
    for (const RaidGeometry& geometry : GeometriesAt(shapes, offsets[i], smallest)) {
      std::vector<int> order(static_cast<std::size_t>(geometry.members));
      std::iota(order.begin(), order.end(), 0);
      do {
        if (!DistinctOrder(geometry, order)) continue;
        Trial trial{geometry, order};
        Facts facts = search.Examine(trial);
        if (Consistent(facts)) consistent.push_back({trial, facts, ScoreOf(facts)});
      } while (std::next_permutation(order.begin(), order.end()));
    }
  }
  watch.progress.OnProgress({offsets.size(), offsets.size(),
                             "Scoring the geometries at the strongest places",
                             app::WorkUnit::Records});
  return consistent;
}

// Better first: the higher score, then fewer broken links, then the smaller stripe (when the
// sample cannot tell two stripes apart, the smaller one is the commoner controller default).
bool Better(const Scored& a, const Scored& b) {
  if (a.score != b.score) return a.score > b.score;
  if (a.facts.linksBroken != b.facts.linksBroken) return a.facts.linksBroken < b.facts.linksBroken;
  return a.trial.geometry.stripe < b.trial.geometry.stripe;
}

}  // namespace

app::Result<RaidDetection> DetectRaid(const std::vector<std::shared_ptr<ByteSource>>& members,
                                      app::ProgressObserver& progress, std::stop_token stop,
                                      std::size_t keep) {
  const auto count = static_cast<int>(members.size());
  const auto missing = std::count(members.begin(), members.end(), nullptr);
  if (count < 2 || count > kMostMembers)
    return app::Failure{"RAID detection takes 2 to " + std::to_string(kMostMembers) + " members"};
  if (missing > 1)
    return app::Failure{"RAID detection reads the members given: at most one may be missing"};
  std::int64_t smallest = -1;
  RaidDetection detection;
  for (const auto& member : members) {
    if (!member) continue;
    detection.memberBytes += member->Size();
    if (smallest < 0 || member->Size() < smallest) smallest = member->Size();
  }
  std::vector<std::int64_t> sizes;
  for (const auto& member : members) sizes.push_back(member ? member->Size() : smallest);

  const Watch watch{progress, std::move(stop)};
  const RaidEvidence evidence = RaidEvidence::Sample(members, progress, watch.stop);
  detection.bytesRead = evidence.BytesRead();
  const Search search(evidence, sizes);
  const auto shapes = Shapes(count, evidence.MemberMissing());
  const auto offsets = StrongestOffsets(search, evidence, shapes, smallest, watch);
  std::vector<Scored> scored = ScoreAll(search, offsets, shapes, smallest, watch);
  if (watch.stop.stop_requested()) return app::Failure{std::string(kDetectionStopped)};
  const std::size_t kept = std::min(keep, scored.size());
  std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(kept),
                    scored.end(), Better);
  for (std::size_t i = 0; i < kept; ++i) {
    const Scored& best = scored[i];
    detection.candidates.push_back({best.trial.geometry, best.trial.order, best.score,
                                    EvidenceLines(best.facts, best.trial.geometry.level)});
  }
  return detection;
}

app::Result<RaidDetection> DetectRaid(const std::vector<std::shared_ptr<ByteSource>>& members,
                                      std::size_t keep) {
  app::NoProgress unwatched;
  return DetectRaid(members, unwatched, {}, keep);
}

std::string CandidateDefinition(const RaidCandidate& candidate,
                                const std::vector<std::string>& names) {
  const RaidGeometry& geometry = candidate.geometry;
  std::string definition = "level=" + std::string(LevelName(geometry.level));
  if (geometry.level == RaidLevel::Raid5 || geometry.level == RaidLevel::Raid6)
    definition += ",layout=" + std::string(LayoutName(geometry.layout));
  if (IsStriped(geometry.level)) definition += ",stripe=" + SizeText(geometry.stripe);
  definition += ",offset=" + SizeText(geometry.offset) + ":";
  for (std::size_t slot = 0; slot < candidate.order.size(); ++slot) {
    definition += (slot ? "," : "") + names[static_cast<std::size_t>(candidate.order[slot])];
  }
  return definition;
}

bool BestIsCertain(const RaidDetection& detection) {
  const auto& candidates = detection.candidates;
  return !candidates.empty() &&
         (candidates.size() == 1 || candidates[0].score > candidates[1].score);
}

}  // namespace kestrel::disk
