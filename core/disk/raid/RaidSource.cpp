// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "disk/raid/RaidParity.h"

namespace kestrel::disk {
namespace {

namespace parity = raid_parity;
// By member, the same bytes of each member's chunk of one row; a lost member's are the room its
// bytes are rebuilt in.
using RowBytes = std::vector<parity::Bytes>;

// A large request is read a batch of rows at a time, so that the member buffers stay bounded.
constexpr std::int64_t kBatchBytes = std::int64_t{16} << 20;
// Chunks at least this large are read each straight into place: a read a chunk costs less than
// copying them, and skips the parity. Smaller chunks are gathered a member at a time.
constexpr std::int64_t kSmallestDirectChunk = 32 * 1024;

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

// The bytes a request wants of one member: [first, end) in its array area, in `pieces` pieces.
struct MemberRange {
  std::int64_t first = std::numeric_limits<std::int64_t>::max();
  std::int64_t end = 0;
  int pieces = 0;
  std::size_t scratchAt = 0;
  std::span<std::uint8_t> bytes;
  bool read = false;  // the bytes were read whole
};

bool Holds(const std::vector<int>& members, int member) {
  return std::find(members.begin(), members.end(), member) != members.end();
}

std::vector<parity::ConstBytes> DataChunks(const RaidGeometry& geometry, std::int64_t row,
                                           const RowBytes& held) {
  std::vector<parity::ConstBytes> data;
  for (int k = 0; k < DataChunksPerRow(geometry); ++k)
    data.emplace_back(held[DataMember(geometry, row, k)]);
  return data;
}

void CopyInto(parity::Bytes target, const std::vector<std::uint8_t>& bytes) {
  std::memcpy(target.data(), bytes.data(), target.size());
}

// Rebuilds the lost data chunks of a RAID 6 row: one from P (or from Q when P is lost too), two
// from P and Q together.
void RebuildRaid6Data(const RaidGeometry& geometry, std::int64_t row,
                      const std::vector<int>& lostData, bool parityLost, RowBytes& held) {
  for (const int k : lostData) {
    const auto chunk = held[DataMember(geometry, row, k)];
    std::fill(chunk.begin(), chunk.end(), 0);  // no term of P or Q until rebuilt
  }
  const auto data = DataChunks(geometry, row, held);
  const auto p = held[ParityMember(geometry, row)];
  const auto q = held[SyndromeMember(geometry, row)];
  const int x = lostData.front();
  const auto dx = held[DataMember(geometry, row, x)];
  std::vector<std::uint8_t> qLost(dx.size());  // the lost chunks' terms of Q: g^x Dx (+ g^y Dy)
  if (lostData.size() == 2 || parityLost) {
    parity::ComputeSyndrome(data, qLost);
    parity::XorInto(qLost, q);
  }
  if (parityLost) {
    parity::MultiplyInPlace(qLost, parity::GfPower(-x));
    CopyInto(dx, qLost);
    return;
  }
  std::vector<std::uint8_t> pLost(p.begin(), p.end());  // the lost chunks' XOR: Dx (+ Dy)
  for (const auto& chunk : data) parity::XorInto(pLost, chunk);
  CopyInto(dx, pLost);
  if (lostData.size() == 1) return;
  // With Pxy = Dx + Dy and Qxy = g^x Dx + g^y Dy:
  // Dx = (g^(y-x) Pxy + g^-x Qxy) / (g^(y-x) + 1), and Dy = Pxy + Dx.
  const int y = lostData.back();
  const std::uint8_t denominator = parity::GfInverse(parity::GfPower(y - x) ^ 1);
  parity::MultiplyInPlace(dx, parity::GfMultiply(parity::GfPower(y - x), denominator));
  parity::MultiplyAndAdd(dx, qLost, parity::GfMultiply(parity::GfPower(-x), denominator));
  const auto dy = held[DataMember(geometry, row, y)];
  CopyInto(dy, pLost);
  parity::XorInto(dy, dx);
}

// Every lost data chunk first, then P and Q from the data where they are lost.
void SolveRaid6(const RaidGeometry& geometry, std::int64_t row, const std::vector<int>& lost,
                RowBytes& held) {
  const int p = ParityMember(geometry, row);
  const int q = SyndromeMember(geometry, row);
  std::vector<int> lostData;
  for (int k = 0; k < DataChunksPerRow(geometry); ++k) {
    if (Holds(lost, DataMember(geometry, row, k))) lostData.push_back(k);
  }
  if (!lostData.empty()) RebuildRaid6Data(geometry, row, lostData, Holds(lost, p), held);
  if (Holds(lost, p)) {
    std::fill(held[p].begin(), held[p].end(), 0);
    for (const auto& chunk : DataChunks(geometry, row, held)) parity::XorInto(held[p], chunk);
  }
  if (Holds(lost, q)) parity::ComputeSyndrome(DataChunks(geometry, row, held), held[q]);
}

// Rebuilds the bytes of the lost members in `held` from those of the others; false when more
// are lost than the level can rebuild.
bool SolveRow(const RaidGeometry& geometry, std::int64_t row, const std::vector<int>& lost,
              RowBytes& held) {
  switch (geometry.level) {
    case RaidLevel::Raid10:
      for (const int member : lost) {
        if (Holds(lost, MirrorPartner(member))) return false;
        std::memcpy(held[member].data(), held[MirrorPartner(member)].data(), held[member].size());
      }
      return true;
    case RaidLevel::Raid5: {  // parity and data XOR to zero across a row
      if (lost.size() > 1) return false;
      const auto target = held[lost.front()];
      std::fill(target.begin(), target.end(), 0);
      for (int member = 0; member < geometry.members; ++member) {
        if (member != lost.front()) parity::XorInto(target, held[member]);
      }
      return true;
    }
    case RaidLevel::Raid6:
      if (lost.size() > 2) return false;
      SolveRaid6(geometry, row, lost, held);
      return true;
    default:
      return false;
  }
}

// A buffer of the thread's, kept from read to read: a fresh one would cost a page fault a page.
std::span<std::uint8_t> Scratch(std::size_t bytes) {
  thread_local std::vector<std::uint8_t> scratch;
  if (scratch.size() < bytes) scratch.resize(bytes);
  return std::span(scratch).first(bytes);
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

// Small chunks: each member is read once, from the first byte the request wants of it to the last
// (the parity chunks between come along: one large read costs less than many small ones), and the
// chunks are copied into place. Large chunks, and a member's only piece, are read straight into
// place. A chunk whose member could not give it is then rebuilt: from the chunks read beside it
// where its row lies whole in the request, else on its own.
bool RaidSource::ReadRows(std::int64_t offset, std::span<std::uint8_t> buffer) {
  const auto pieces = PiecesOf(offset, buffer);
  std::vector<MemberRange> ranges(static_cast<std::size_t>(geometry_.members));
  for (const ChunkPiece& piece : pieces) {
    MemberRange& range =
        ranges[static_cast<std::size_t>(DataMember(geometry_, piece.row, piece.k))];
    const std::int64_t at = MemberByte(piece.row, piece.start);
    range.first = std::min(range.first, at);
    range.end = std::max(range.end, at + static_cast<std::int64_t>(piece.target.size()));
    ++range.pieces;
  }
  std::size_t scratchBytes = 0;
  for (MemberRange& range : ranges) {
    range.scratchAt = scratchBytes;
    if (range.pieces > 1 && geometry_.stripe < kSmallestDirectChunk)
      scratchBytes += static_cast<std::size_t>(range.end - range.first);
  }
  const auto scratch = Scratch(scratchBytes);
  for (std::size_t member = 0; member < ranges.size(); ++member) {
    MemberRange& range = ranges[member];
    if (range.pieces < 2 || geometry_.stripe >= kSmallestDirectChunk) continue;
    range.bytes =
        scratch.subspan(range.scratchAt, static_cast<std::size_t>(range.end - range.first));
    range.read = ReadMember(static_cast<int>(member), range.first, range.bytes);
  }
  std::vector<bool> read(pieces.size(), false);
  for (std::size_t index = 0; index < pieces.size(); ++index) {
    const ChunkPiece& piece = pieces[index];
    const int member = DataMember(geometry_, piece.row, piece.k);
    const MemberRange& range = ranges[static_cast<std::size_t>(member)];
    if (range.read) {
      const auto from = static_cast<std::size_t>(MemberByte(piece.row, piece.start) - range.first);
      std::memcpy(piece.target.data(), range.bytes.data() + from, piece.target.size());
      read[index] = true;
    } else {
      read[index] = ReadMember(member, MemberByte(piece.row, piece.start), piece.target);
    }
  }
  for (std::size_t index = 0; index < pieces.size(); ++index) {
    const ChunkPiece& piece = pieces[index];
    if (read[index] || RebuildFromRequest(pieces, read, index)) continue;
    if (!Rebuild(piece.row, DataMember(geometry_, piece.row, piece.k), piece.start, piece.target))
      return false;
  }
  return true;
}

// A whole data chunk of a row that lies whole in the request, whose other data chunks were read
// into place: P less those chunks, read and XORed in place (RAID 5, and RAID 6 while P is there).
// With a member missing, a large read so costs one parity chunk a row more than a whole one.
bool RaidSource::RebuildFromRequest(const std::vector<ChunkPiece>& pieces,
                                    const std::vector<bool>& read, std::size_t index) {
  const ChunkPiece& piece = pieces[index];
  const auto perRow = static_cast<std::size_t>(DataChunksPerRow(geometry_));
  const auto k = static_cast<std::size_t>(piece.k);
  if (ParityMember(geometry_, piece.row) < 0 || index < k || index - k + perRow > pieces.size())
    return false;
  const std::size_t rowStart = index - k;
  for (std::size_t other = rowStart; other < rowStart + perRow; ++other) {
    const ChunkPiece& chunk = pieces[other];
    const bool whole = chunk.row == piece.row && chunk.start == 0 &&
                       chunk.target.size() == static_cast<std::size_t>(geometry_.stripe);
    if (!whole || (other != index && !read[other])) return false;
  }
  if (!ReadMember(ParityMember(geometry_, piece.row), MemberByte(piece.row, 0), piece.target))
    return false;
  for (std::size_t other = rowStart; other < rowStart + perRow; ++other) {
    if (other != index) raid_parity::XorInto(piece.target, pieces[other].target);
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
  std::vector<std::uint8_t> room(target.size() * static_cast<std::size_t>(geometry_.members));
  RowBytes held(static_cast<std::size_t>(geometry_.members));
  held[static_cast<std::size_t>(member)] = target;
  std::vector<int> lost{member};
  for (const int other : sources) {
    auto& bytes = held[static_cast<std::size_t>(other)];
    bytes = std::span(room).subspan(static_cast<std::size_t>(other) * target.size(), target.size());
    if (ReadMember(other, MemberByte(row, start), bytes)) continue;
    if (target.size() > static_cast<std::size_t>(kRaidSectorSize))
      return RebuildBySector(row, member, start, target);
    lost.push_back(other);
  }
  return SolveRow(geometry_, row, lost, held);
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
