#include "disk/raid/RaidSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "disk/raid/RaidParity.h"

namespace kestrel::disk {
namespace {

namespace parity = raid_parity;
using HeldBytes = std::vector<std::vector<std::uint8_t>>;  // by member; empty where not read

// A large request is read a batch of rows at a time, so that the member buffers stay bounded.
constexpr std::int64_t kBatchBytes = std::int64_t{16} << 20;

// Calls read for each part of the buffer that lies in one sector, counted from `at`; false at the
// first that fails.
template <class Read>
bool BySector(std::int64_t at, std::span<std::uint8_t> buffer, Read read) {
  while (!buffer.empty()) {
    const auto part = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(buffer.size()), kRaidSectorSize - at % kRaidSectorSize));
    if (!read(at, buffer.first(part))) return false;
    at += static_cast<std::int64_t>(part);
    buffer = buffer.subspan(part);
  }
  return true;
}

bool Holds(const std::vector<int>& members, int member) {
  return std::find(members.begin(), members.end(), member) != members.end();
}

std::vector<parity::ConstBytes> DataChunks(const RaidGeometry& geometry, std::int64_t row,
                                           const HeldBytes& held) {
  std::vector<parity::ConstBytes> data;
  for (int k = 0; k < DataChunksPerRow(geometry); ++k)
    data.emplace_back(held[DataMember(geometry, row, k)]);
  return data;
}

// Rebuilds the lost data chunks of a RAID 6 row in `held`, where they are zeros on entry: one from
// P (or from Q when P is lost too), two from P and Q together.
void RebuildRaid6Data(const RaidGeometry& geometry, std::int64_t row,
                      const std::vector<int>& lostData, HeldBytes& held) {
  const auto& data = DataChunks(geometry, row, held);
  const auto& p = held[ParityMember(geometry, row)];
  const auto& q = held[SyndromeMember(geometry, row)];
  const std::size_t size = p.empty() ? q.size() : p.size();
  std::vector<std::uint8_t> qMissing(size);  // the lost chunks' terms of Q: g^x Dx (+ g^y Dy)
  if (lostData.size() == 2 || p.empty()) {
    parity::ComputeSyndrome(data, qMissing);
    parity::XorInto(qMissing, q);
  }
  const int x = lostData.front();
  auto& dx = held[DataMember(geometry, row, x)];
  if (lostData.size() == 1 && p.empty()) {  // Q - Qx = g^x * Dx
    parity::MultiplyInPlace(qMissing, parity::GfPower(-x));
    dx = std::move(qMissing);
    return;
  }
  std::vector<std::uint8_t> pMissing = p;  // P less the other chunks: the lost chunks' XOR
  for (const auto& chunk : data) parity::XorInto(pMissing, chunk);
  if (lostData.size() == 1) {
    dx = std::move(pMissing);
    return;
  }
  // With Pxy = Dx + Dy and Qxy = g^x Dx + g^y Dy:
  // Dx = (g^(y-x) Pxy + g^-x Qxy) / (g^(y-x) + 1), and Dy = Pxy + Dx.
  const int y = lostData.back();
  const std::uint8_t denominator = parity::GfInverse(parity::GfPower(y - x) ^ 1);
  dx = pMissing;
  parity::MultiplyInPlace(dx, parity::GfMultiply(parity::GfPower(y - x), denominator));
  parity::MultiplyAndAdd(dx, qMissing, parity::GfMultiply(parity::GfPower(-x), denominator));
  auto& dy = held[DataMember(geometry, row, y)];
  dy = std::move(pMissing);
  parity::XorInto(dy, dx);
}

// Member `lost.front()`'s bytes of a row from the others held: P and Q are recomputed from the
// data once every lost data chunk is rebuilt.
void SolveRaid6(const RaidGeometry& geometry, std::int64_t row, const std::vector<int>& lost,
                HeldBytes& held, std::span<std::uint8_t> target) {
  std::vector<int> lostData;
  for (int k = 0; k < DataChunksPerRow(geometry); ++k) {
    const int member = DataMember(geometry, row, k);
    if (!Holds(lost, member)) continue;
    held[member].assign(target.size(), 0);
    lostData.push_back(k);
  }
  if (!lostData.empty()) RebuildRaid6Data(geometry, row, lostData, held);
  const int member = lost.front();
  if (member == SyndromeMember(geometry, row)) {
    parity::ComputeSyndrome(DataChunks(geometry, row, held), target);
  } else if (member == ParityMember(geometry, row)) {
    std::fill(target.begin(), target.end(), 0);
    for (const auto& chunk : DataChunks(geometry, row, held)) parity::XorInto(target, chunk);
  } else {
    std::memcpy(target.data(), held[member].data(), target.size());
  }
}

// Member `lost.front()`'s bytes of a row from those of the others held; false when more are lost
// than the level can rebuild.
bool SolveRow(const RaidGeometry& geometry, std::int64_t row, const std::vector<int>& lost,
              HeldBytes& held, std::span<std::uint8_t> target) {
  const std::size_t losable = geometry.level == RaidLevel::Raid6 ? 2 : 1;
  if (lost.size() > losable) return false;
  switch (geometry.level) {
    case RaidLevel::Raid10:
      std::memcpy(target.data(), held[MirrorPartner(lost.front())].data(), target.size());
      return true;
    case RaidLevel::Raid5:  // parity and data XOR to zero across a row
      std::fill(target.begin(), target.end(), 0);
      for (const auto& bytes : held) {
        if (!bytes.empty()) parity::XorInto(target, bytes);
      }
      return true;
    case RaidLevel::Raid6:
      SolveRaid6(geometry, row, lost, held, target);
      return true;
    default:
      return false;
  }
}

}  // namespace

RaidSource::RaidSource(RaidGeometry geometry, std::vector<std::shared_ptr<ByteSource>> members)
    : geometry_(geometry), members_(std::move(members)) {
  geometry_.members = static_cast<int>(members_.size());
  std::int64_t smallest = std::numeric_limits<std::int64_t>::max();
  std::int64_t all = 0;
  for (const auto& member : members_) {
    if (!member) continue;
    const std::int64_t usable = std::max<std::int64_t>(0, member->Size() - geometry_.offset);
    smallest = std::min(smallest, usable);
    all += usable;
  }
  if (all > 0) size_ = ArraySize(geometry_, smallest, all);
}

std::optional<std::size_t> RaidSource::ReadSome(std::int64_t offset,
                                                std::span<std::uint8_t> buffer) {
  if (offset < 0) return std::nullopt;
  if (offset >= size_) return 0;
  const auto count = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), size_ - offset));
  const auto wanted = buffer.first(count);
  bool read = false;
  switch (geometry_.level) {
    case RaidLevel::Span:
      read = ReadSpan(offset, wanted);
      break;
    case RaidLevel::Raid1:
      read = ReadMirrored(offset, wanted);
      break;
    default:
      read = ReadStriped(offset, wanted);
  }
  if (!read) return std::nullopt;
  return count;
}

void RaidSource::AdviseSequential(std::int64_t offset, std::int64_t length) {
  if (geometry_.level == RaidLevel::Span) return;  // its members are read one after the other
  std::int64_t first = offset;
  std::int64_t end = offset + length;
  if (IsStriped(geometry_.level)) {
    const std::int64_t rowBytes = geometry_.stripe * DataChunksPerRow(geometry_);
    first = offset / rowBytes * geometry_.stripe;
    end = (end + rowBytes - 1) / rowBytes * geometry_.stripe;
  }
  for (const auto& member : members_) {
    if (member) member->AdviseSequential(geometry_.offset + first, end - first);
  }
}

bool RaidSource::ReadMember(int member, std::int64_t at, std::span<std::uint8_t> buffer) {
  const auto& source = members_[static_cast<std::size_t>(member)];
  return source && source->ReadAt(geometry_.offset + at, buffer);
}

bool RaidSource::ReadSpan(std::int64_t offset, std::span<std::uint8_t> buffer) {
  std::int64_t start = 0;  // where the member begins in the array
  for (std::size_t member = 0; member < members_.size() && !buffer.empty(); ++member) {
    const std::int64_t length = members_[member]->Size() - geometry_.offset;
    if (offset < start + length) {
      const auto part = static_cast<std::size_t>(std::min<std::int64_t>(
          static_cast<std::int64_t>(buffer.size()), start + length - offset));
      if (!ReadMember(static_cast<int>(member), offset - start, buffer.first(part))) return false;
      offset += static_cast<std::int64_t>(part);
      buffer = buffer.subspan(part);
    }
    start += length;
  }
  return buffer.empty();
}

bool RaidSource::ReadMirrored(std::int64_t at, std::span<std::uint8_t> buffer) {
  for (int member = 0; member < geometry_.members; ++member) {
    if (ReadMember(member, at, buffer)) return true;
  }
  // Each copy may have lost a different sector: every sector is tried on every copy.
  if (buffer.size() <= static_cast<std::size_t>(kRaidSectorSize)) return false;
  return BySector(at, buffer, [this](std::int64_t sectorAt, std::span<std::uint8_t> sector) {
    return ReadMirrored(sectorAt, sector);
  });
}

bool RaidSource::ReadStriped(std::int64_t offset, std::span<std::uint8_t> buffer) {
  const std::int64_t rowBytes = geometry_.stripe * DataChunksPerRow(geometry_);
  const std::int64_t batchRows =
      std::max<std::int64_t>(1, kBatchBytes / (geometry_.stripe * geometry_.members));
  while (!buffer.empty()) {
    const std::int64_t batchEnd = (offset / rowBytes + batchRows) * rowBytes;
    const auto part = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), batchEnd - offset));
    if (!ReadRows(offset, buffer.first(part))) return false;
    offset += static_cast<std::int64_t>(part);
    buffer = buffer.subspan(part);
  }
  return true;
}

std::vector<RaidSource::ChunkPiece> RaidSource::PiecesOf(std::int64_t offset,
                                                         std::span<std::uint8_t> buffer) const {
  const int perRow = DataChunksPerRow(geometry_);
  std::vector<ChunkPiece> pieces;
  while (!buffer.empty()) {
    const std::int64_t chunk = offset / geometry_.stripe;
    const std::int64_t start = offset % geometry_.stripe;
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), geometry_.stripe - start));
    pieces.push_back(
        {chunk / perRow, static_cast<int>(chunk % perRow), start, buffer.first(length)});
    offset += static_cast<std::int64_t>(length);
    buffer = buffer.subspan(length);
  }
  return pieces;
}

// Each member is read once, from the first byte the request wants of it to the last (the parity
// chunks between come along: one large read costs less than many small ones), and the chunks are
// copied into place. A chunk whose member could not give it is read or rebuilt on its own.
bool RaidSource::ReadRows(std::int64_t offset, std::span<std::uint8_t> buffer) {
  const auto pieces = PiecesOf(offset, buffer);
  const auto memberCount = static_cast<std::size_t>(geometry_.members);
  std::vector<std::int64_t> first(memberCount, std::numeric_limits<std::int64_t>::max());
  std::vector<std::int64_t> end(memberCount, 0);
  for (const ChunkPiece& piece : pieces) {
    const auto member = static_cast<std::size_t>(DataMember(geometry_, piece.row, piece.k));
    const std::int64_t at = MemberByte(piece.row, piece.start);
    first[member] = std::min(first[member], at);
    end[member] = std::max(end[member], at + static_cast<std::int64_t>(piece.target.size()));
  }
  std::vector<std::vector<std::uint8_t>> held(memberCount);
  std::vector<bool> read(memberCount, false);
  for (std::size_t member = 0; member < memberCount; ++member) {
    if (end[member] <= first[member]) continue;
    held[member].resize(static_cast<std::size_t>(end[member] - first[member]));
    read[member] = ReadMember(static_cast<int>(member), first[member], held[member]);
  }
  for (const ChunkPiece& piece : pieces) {
    const int member = DataMember(geometry_, piece.row, piece.k);
    const auto index = static_cast<std::size_t>(member);
    if (read[index]) {
      const auto from = static_cast<std::size_t>(MemberByte(piece.row, piece.start) - first[index]);
      std::memcpy(piece.target.data(), held[index].data() + from, piece.target.size());
    } else if (!ReadOrRebuild(piece.row, member, piece.start, piece.target)) {
      return false;
    }
  }
  return true;
}

bool RaidSource::ReadOrRebuild(std::int64_t row, int member, std::int64_t start,
                               std::span<std::uint8_t> target) {
  return ReadMember(member, MemberByte(row, start), target) || Rebuild(row, member, start, target);
}

std::vector<int> RaidSource::MembersToRebuildFrom(int member) const {
  if (geometry_.level == RaidLevel::Raid10) return {MirrorPartner(member)};
  if (geometry_.level != RaidLevel::Raid5 && geometry_.level != RaidLevel::Raid6) return {};
  std::vector<int> others;
  for (int other = 0; other < geometry_.members; ++other) {
    if (other != member) others.push_back(other);
  }
  return others;
}

// The same bytes of the row are read from the members that hold a copy or the parity. Where one
// of those fails too, the piece is rebuilt sector by sector, since each sector may have lost a
// different member.
bool RaidSource::Rebuild(std::int64_t row, int member, std::int64_t start,
                         std::span<std::uint8_t> target) {
  const std::vector<int> sources = MembersToRebuildFrom(member);
  if (sources.empty()) return false;
  HeldBytes held(static_cast<std::size_t>(geometry_.members));
  std::vector<int> lost{member};
  for (const int other : sources) {
    auto& bytes = held[static_cast<std::size_t>(other)];
    bytes.resize(target.size());
    if (ReadMember(other, MemberByte(row, start), bytes)) continue;
    if (target.size() > static_cast<std::size_t>(kRaidSectorSize))
      return RebuildBySector(row, member, start, target);
    bytes.clear();
    lost.push_back(other);
  }
  return SolveRow(geometry_, row, lost, held, target);
}

bool RaidSource::RebuildBySector(std::int64_t row, int member, std::int64_t start,
                                 std::span<std::uint8_t> target) {
  return BySector(start, target, [&](std::int64_t at, std::span<std::uint8_t> sector) {
    return ReadOrRebuild(row, member, at, sector);
  });
}

namespace {

std::string MissingProblem(const RaidGeometry& geometry, const std::vector<RaidMember>& members) {
  int missing = 0;
  for (std::size_t member = 0; member < members.size(); ++member) {
    if (members[member].source) continue;
    ++missing;
    if (geometry.level == RaidLevel::Raid10 && member % 2 == 1 && !members[member - 1].source) {
      return "members " + std::to_string(member - 1) + " and " + std::to_string(member) +
             " are both missing: RAID 10 keeps their chunks on no other member";
    }
  }
  const int losable = LosableMembers(geometry);
  if (missing <= losable) return {};
  if (losable == 0) {
    return "RAID " + std::string(LevelName(geometry.level)) +
           " keeps no copy or parity, so no member may be missing";
  }
  return std::to_string(missing) + " members are missing; RAID " +
         std::string(LevelName(geometry.level)) + " can rebuild at most " + std::to_string(losable);
}

std::string SizeProblem(const RaidGeometry& geometry, const std::vector<RaidMember>& members) {
  const RaidMember* first = nullptr;
  const std::int64_t needed =
      geometry.offset + (IsStriped(geometry.level) ? geometry.stripe : kRaidSectorSize);
  for (const RaidMember& member : members) {
    if (!member.source) continue;
    const std::int64_t size = member.source->Size();
    if (size < needed) {
      return member.name + ": holds " + std::to_string(size) +
             " bytes, too few for a member, which holds the offset of " +
             std::to_string(geometry.offset) + " bytes and at least " +
             std::to_string(needed - geometry.offset) + " bytes after it";
    }
    if (!first) first = &member;
    if (geometry.level != RaidLevel::Span && size != first->source->Size()) {
      return "the members differ in size: " + first->name + " holds " +
             std::to_string(first->source->Size()) + " bytes, " + member.name + " " +
             std::to_string(size) +
             "; the members of one array are the same size, so one of "
             "them is not a member of this array";
    }
  }
  return {};
}

}  // namespace

app::Result<std::shared_ptr<RaidSource>> AssembleRaid(const RaidGeometry& given,
                                                      const std::vector<RaidMember>& members) {
  RaidGeometry geometry = given;
  geometry.members = static_cast<int>(members.size());
  if (auto problem = GeometryProblem(geometry)) return app::Failure{*problem};
  for (const auto& problem : {MissingProblem(geometry, members), SizeProblem(geometry, members)}) {
    if (!problem.empty()) return app::Failure{problem};
  }
  std::vector<std::shared_ptr<ByteSource>> sources;
  for (const RaidMember& member : members) sources.push_back(member.source);
  return std::make_shared<RaidSource>(geometry, std::move(sources));
}

}  // namespace kestrel::disk
