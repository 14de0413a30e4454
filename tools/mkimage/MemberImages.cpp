// SPDX-License-Identifier: Apache-2.0
#include "MemberImages.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <span>

#include "SparseFile.h"

namespace kestrel::mkimage {
namespace {

// Where one row puts its chunks: the member of each data chunk in order (both copies for RAID
// 10), and the members of P and Q (-1 where the level has none). The rules are written here
// apart from the reader's, so that each checks the other.
struct RowPlacement {
  std::vector<std::vector<int>> data;
  int p = -1;
  int q = -1;
};

enum class Level { Span, Raid0, Raid1, Raid10, Raid5, Raid6 };

struct Array {
  Level level;
  bool leftParity;     // parity starts on the last member and moves down a member a row
  bool symmetricData;  // data starts after the parity and wraps; else in member order
  int members;
  std::uint64_t stripe;
  std::uint64_t offset;
};

RowPlacement PlaceRow(const Array& array, std::uint64_t row) {
  RowPlacement place;
  const int n = array.members;
  const int turn = static_cast<int>(row % static_cast<std::uint64_t>(n));
  switch (array.level) {
    case Level::Raid0:
      for (int member = 0; member < n; ++member) place.data.push_back({member});
      break;
    case Level::Raid10:
      for (int pair = 0; pair < n / 2; ++pair) place.data.push_back({2 * pair, 2 * pair + 1});
      break;
    case Level::Raid5: {
      place.p = array.leftParity ? n - 1 - turn : turn;
      std::vector<int> others;
      for (int step = 1; step < n; ++step) others.push_back((place.p + step) % n);
      if (!array.symmetricData) std::sort(others.begin(), others.end());
      for (const int member : others) place.data.push_back({member});
      break;
    }
    case Level::Raid6:
      place.p = n - 1 - turn;
      place.q = (place.p + 1) % n;
      for (int step = 2; step < n; ++step) place.data.push_back({(place.p + step) % n});
      break;
    default:
      break;
  }
  return place;
}

std::uint8_t TimesTwo(std::uint8_t byte) {
  return static_cast<std::uint8_t>((byte << 1) ^ ((byte & 0x80) ? 0x1D : 0));
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

struct Members {
  std::vector<std::optional<SparseFile>> files;  // by array member; none for one left out

  Status Write(int member, std::uint64_t at, std::span<const std::uint8_t> bytes) {
    auto& file = files[static_cast<std::size_t>(member)];
    if (!file || AllZero(bytes)) return {};
    return file->write(at, bytes);
  }
};

Result<Array> ReadArray(const StripeRequest& request) {
  const std::vector<std::string> levels = {"span", "0", "1", "10", "5", "6"};
  const auto level = std::find(levels.begin(), levels.end(), request.level);
  if (level == levels.end()) return Error{"--level is one of span, 0, 1, 10, 5, 6"};
  const std::vector<std::string> layouts = {"left-symmetric", "left-asymmetric", "right-symmetric",
                                            "right-asymmetric"};
  const auto layout = std::find(layouts.begin(), layouts.end(), request.layout);
  if (layout == layouts.end())
    return Error{
        "--layout is one of left-symmetric, left-asymmetric, right-symmetric, right-asymmetric"};
  Array array{static_cast<Level>(level - levels.begin()),
              request.layout.starts_with("left"),
              request.layout.ends_with("-symmetric"),
              request.members,
              request.stripe,
              request.offset};
  if (array.level == Level::Raid6 && request.layout != "left-symmetric")
    return Error{"RAID 6 is written left-symmetric only"};
  if (request.stripe < 512 || request.stripe % 512 != 0 || request.offset % 512 != 0)
    return Error{"--stripe and --offset are whole sectors (and the stripe at least one)"};
  if (request.members < 1 || (array.level == Level::Raid10 && request.members % 2 != 0))
    return Error{"--members: RAID 10 pairs its members; every level needs one"};
  return array;
}

bool Striped(const Array& array) {
  return array.level != Level::Span && array.level != Level::Raid1;
}

std::uint64_t DataPerRow(const Array& array) {
  switch (array.level) {
    case Level::Raid10:
      return static_cast<std::uint64_t>(array.members / 2);
    case Level::Raid5:
      return static_cast<std::uint64_t>(array.members - 1);
    case Level::Raid6:
      return static_cast<std::uint64_t>(array.members - 2);
    default:
      return static_cast<std::uint64_t>(array.members);
  }
}

// The bytes of a member after the offset: a span cuts the disk into near-equal pieces of whole
// sectors, a mirror holds it all, the striped levels whole rows.
std::uint64_t MemberBytes(const Array& array, std::uint64_t diskSize) {
  const std::uint64_t sectors = (diskSize + 511) / 512;
  if (array.level == Level::Span) return (sectors + array.members - 1) / array.members * 512;
  if (array.level == Level::Raid1) return sectors * 512;
  const std::uint64_t rowData = DataPerRow(array) * array.stripe;
  return (diskSize + rowData - 1) / rowData * array.stripe;
}

Result<Members> CreateMembers(const StripeRequest& request, std::uint64_t size) {
  Members members;
  members.files.resize(static_cast<std::size_t>(request.members));
  for (int file = 0; file < request.members; ++file) {
    const int member = request.order.empty() ? file : request.order[static_cast<std::size_t>(file)];
    if (std::find(request.leaveOut.begin(), request.leaveOut.end(), file) != request.leaveOut.end())
      continue;
    auto created = SparseFile::Create(request.prefix + std::to_string(file) + ".img", size);
    if (!created) return created.error();
    members.files[static_cast<std::size_t>(member)].emplace(std::move(*created));
  }
  return members;
}

// Span and mirror: each member holds its piece of the disk (a mirror the whole disk) as it is.
Status WritePieces(const Array& array, std::ifstream& disk, std::uint64_t memberBytes,
                   Members& members) {
  std::vector<std::uint8_t> piece(1 << 20);
  for (std::uint64_t at = 0;; at += piece.size()) {
    disk.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    const auto count = static_cast<std::size_t>(disk.gcount());
    if (count == 0) return {};
    const std::span<const std::uint8_t> bytes(piece.data(), count);
    for (int member = 0; member < array.members; ++member) {
      if (array.level == Level::Raid1) {
        if (Status status = members.Write(member, array.offset + at, bytes); !status) return status;
        continue;
      }
      // A span's piece of 1 MiB may cross from one member into the next.
      for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t diskAt = at + done;
        const auto owner = static_cast<int>(diskAt / memberBytes);
        const std::uint64_t length =
            std::min<std::uint64_t>(count - done, memberBytes - diskAt % memberBytes);
        if (owner == member) {
          if (Status status = members.Write(member, array.offset + diskAt % memberBytes,
                                            bytes.subspan(done, length));
              !status)
            return status;
        }
        done += length;
      }
    }
  }
}

Status WriteRows(const Array& array, std::ifstream& disk, Members& members) {
  const std::size_t stripe = array.stripe;
  const std::uint64_t perRow = DataPerRow(array);
  std::vector<std::uint8_t> row(perRow * stripe);
  std::vector<std::uint8_t> p(stripe), q(stripe);
  for (std::uint64_t number = 0;; ++number) {
    std::fill(row.begin(), row.end(), 0);
    disk.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()));
    if (disk.gcount() == 0) return {};
    const RowPlacement place = PlaceRow(array, number);
    const std::uint64_t at = array.offset + number * stripe;
    std::fill(p.begin(), p.end(), 0);
    std::fill(q.begin(), q.end(), 0);
    for (std::uint64_t k = perRow; k-- > 0;) {  // Horner's rule for Q from the last chunk down
      const std::span<const std::uint8_t> chunk(row.data() + k * stripe, stripe);
      for (std::size_t i = 0; i < stripe; ++i) {
        p[i] ^= chunk[i];
        q[i] = TimesTwo(q[i]) ^ chunk[i];
      }
      for (const int member : place.data[k]) {
        if (Status status = members.Write(member, at, chunk); !status) return status;
      }
    }
    if (place.p >= 0) {
      if (Status status = members.Write(place.p, at, p); !status) return status;
    }
    if (place.q >= 0) {
      if (Status status = members.Write(place.q, at, q); !status) return status;
    }
  }
}

Status CheckMemberNumbers(const StripeRequest& request) {
  for (const int file : request.leaveOut) {
    if (file < 0 || file >= request.members)
      return Error{"--leave-out " + std::to_string(file) + ": there is no member file " +
                   std::to_string(file)};
  }
  if (request.order.empty()) return {};
  std::vector<int> sorted = request.order;
  std::sort(sorted.begin(), sorted.end());
  for (int member = 0; member < request.members; ++member) {
    if (sorted.size() != static_cast<std::size_t>(request.members) || sorted[member] != member)
      return Error{"--order names each member from 0 to " + std::to_string(request.members - 1) +
                   " once"};
  }
  return {};
}

}  // namespace

Status WriteMemberImages(const StripeRequest& request) {
  Result<Array> array = ReadArray(request);
  if (!array) return array.error();
  if (Status status = CheckMemberNumbers(request); !status) return status;
  std::ifstream disk(request.image, std::ios::binary | std::ios::ate);
  if (!disk) return Error{"cannot open " + request.image};
  const auto diskSize = static_cast<std::uint64_t>(disk.tellg());
  disk.seekg(0);
  const std::uint64_t memberBytes = MemberBytes(*array, diskSize);
  Result<Members> members = CreateMembers(request, array->offset + memberBytes);
  if (!members) return members.error();
  Status status = Striped(*array) ? WriteRows(*array, disk, *members)
                                  : WritePieces(*array, disk, memberBytes, *members);
  for (auto& file : members->files) {
    if (file && status) status = file->close();
  }
  return status;
}

}  // namespace kestrel::mkimage
