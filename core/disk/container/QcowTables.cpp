// SPDX-License-Identifier: Apache-2.0
#include "disk/container/QcowTables.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/SizeText.h"

namespace kestrel::disk {
namespace {

// An L1 or L2 entry's host offset: bits 9 to 55 in a sound file. The bits below are kept in what
// a damaged entry names, as libqcow keeps them when it reads there.
constexpr std::uint64_t kOffsetMask = 0x00FFFFFFFFFFFFFE;
constexpr std::uint64_t kReservedHigh = 0x3F00000000000000;  // bits 56 to 61
constexpr std::uint64_t kCompressed = 1ULL << 62;
constexpr std::uint64_t kExtendedL2 = 1ULL << 4;  // an incompatible feature bit of version 3

std::uint64_t BigEndian(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

// QEMU refuses an L1 table larger than 32 MiB and never writes one: a header that claims more is
// damaged, and the table it claims is never read (in a sparse file it could be gigabytes).
constexpr std::uint64_t kMostL1Entries = (std::uint64_t{32} << 20) / 8;

// The table of `entries` 8-byte entries at `offset`, or nothing when the file ends inside it.
std::optional<std::vector<std::uint64_t>> ReadTable(const DiskReader& file, std::uint64_t offset,
                                                    std::uint64_t entries) {
  const auto fileSize = static_cast<std::uint64_t>(file.Size());
  if (offset > fileSize || entries > (fileSize - offset) / 8) return std::nullopt;
  std::vector<std::uint64_t> table(entries);
  const std::span bytes(reinterpret_cast<std::uint8_t*>(table.data()), table.size() * 8);
  if (!file.ReadAt(static_cast<std::int64_t>(offset), bytes)) return std::nullopt;
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = BigEndian(bytes.subspan(i * 8, 8));
  return table;
}

// Header fields that decide whether clusters may be read straight from the file.
constexpr std::uint64_t kDirty = 1ULL << 0;            // refcounts stale; the tables stand
constexpr std::uint64_t kCompressionType = 1ULL << 3;  // only compressed clusters differ
// An entry's bits that a sound, plain cluster leaves clear: the low 9 (bit 0 is "reads as zeros"
// in version 3) and 56 to 62 (62 marks a compressed cluster). Bit 63 tells only the refcount.
constexpr std::uint64_t kNotPlain = 0x7F000000000001FF;
constexpr std::uint64_t kHostOffset = 0x00FFFFFFFFFFFE00;
constexpr std::size_t kCachedTables = 16;

std::optional<std::uint64_t> PlainOffset(std::uint64_t entry) {
  if ((entry & kNotPlain) != 0 || (entry & kHostOffset) == 0) return std::nullopt;
  return entry & kHostOffset;
}

// A table or cluster that a sound file starts on a cluster boundary, named by an entry whose
// reserved bits are clear; libqcow reads past its buffers on some that are not.
std::optional<std::string> Misplaced(const char* what, std::uint64_t entry, std::uint64_t offset,
                                     std::uint64_t clusterBytes) {
  if ((entry & kReservedHigh) == 0 && offset % clusterBytes == 0) return std::nullopt;
  return app::Format(
      "the %s at offset %llu is named by an entry that a sound file never holds (reserved bits "
      "set, or not the start of a cluster): the file is damaged",
      what, static_cast<unsigned long long>(offset));
}

std::string PastEnd(const char* what, std::uint64_t offset, const DiskReader& file) {
  return app::Format(
      "the %s at offset %llu lies past the end of the file (%llu bytes): the file "
      "is truncated or damaged",
      what, static_cast<unsigned long long>(offset), static_cast<unsigned long long>(file.Size()));
}

std::string TooLarge(std::uint64_t l1Entries) {
  return app::Format(
      "the L1 table holds %llu entries, more than a QCOW2 image holds (at most %llu): the file is "
      "damaged",
      static_cast<unsigned long long>(l1Entries), static_cast<unsigned long long>(kMostL1Entries));
}

// Turns the L1 table into the offsets of the L2 tables it names, each once and in file order:
// a damaged file may name one table millions of times. The first misplaced table, if any.
std::optional<std::string> NamedL2Tables(std::vector<std::uint64_t>& l1,
                                         std::uint64_t clusterBytes) {
  for (std::uint64_t& entry : l1) {
    // Bit 0 is reserved in an L1 entry; libqcow reads a table there all the same.
    const std::uint64_t l2Offset = entry & (kOffsetMask | 1);
    if (l2Offset != 0) {
      if (auto misplaced = Misplaced("L2 table", entry, l2Offset, clusterBytes)) return misplaced;
    }
    entry = l2Offset;
  }
  std::sort(l1.begin(), l1.end());
  l1.erase(std::unique(l1.begin(), l1.end()), l1.end());
  if (!l1.empty() && l1.front() == 0) l1.erase(l1.begin());
  return std::nullopt;
}

// The L2 table at `l2Offset` ends past the end of the file, or names a cluster that does.
std::optional<std::string> L2TableDamaged(const DiskReader& file, std::uint64_t l2Offset,
                                          std::uint64_t clusterBytes) {
  const auto l2 = ReadTable(file, l2Offset, clusterBytes / 8);
  if (!l2) return PastEnd("L2 table", l2Offset, file);
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file.Size());
  for (const std::uint64_t entry : *l2) {
    const std::uint64_t offset = entry & kOffsetMask;
    if ((entry & kCompressed) != 0 || offset == 0) continue;
    if (auto misplaced = Misplaced("cluster", entry, offset, clusterBytes)) return misplaced;
    if (offset > fileSize || clusterBytes > fileSize - offset)
      return PastEnd("cluster", offset, file);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> QcowTablesDamaged(const DiskReader& file, std::stop_token stop) {
  std::array<std::uint8_t, 80> header{};
  if (!file.ReadAt(0, header)) return std::nullopt;
  const auto field = [&](std::size_t at, std::size_t size) {
    return BigEndian(std::span(header).subspan(at, size));
  };
  const std::uint64_t version = field(4, 4);
  const std::uint64_t clusterBits = field(20, 4);
  if (version < 2 || clusterBits < 9 || clusterBits > 21) return std::nullopt;
  if (version >= 3 && (field(72, 8) & kExtendedL2) != 0) return std::nullopt;
  const std::uint64_t clusterBytes = 1ULL << clusterBits;
  const std::uint64_t l1Entries = field(36, 4);
  if (l1Entries > kMostL1Entries) return TooLarge(l1Entries);
  const std::uint64_t l1Offset = field(40, 8);
  auto l2Offsets = ReadTable(file, l1Offset, l1Entries);
  if (!l2Offsets) return PastEnd("L1 table", l1Offset, file);
  if (auto misplaced = NamedL2Tables(*l2Offsets, clusterBytes)) return misplaced;
  for (const std::uint64_t l2Offset : *l2Offsets) {
    if (stop.stop_requested()) return std::string(kQcowCheckStopped);
    if (auto damaged = L2TableDamaged(file, l2Offset, clusterBytes)) return damaged;
  }
  return std::nullopt;
}

std::shared_ptr<ByteSource> QcowSource::Over(DiskReader file, std::shared_ptr<ByteSource> library) {
  std::array<std::uint8_t, 80> header{};
  if (!file.ReadAt(0, header)) return library;
  const auto field = [&](std::size_t at, std::size_t size) {
    return BigEndian(std::span(header).subspan(at, size));
  };
  const std::uint64_t version = field(4, 4);
  const std::uint64_t clusterBits = field(20, 4);
  const bool encrypted = field(32, 4) != 0;
  if (version < 2 || version > 3 || clusterBits < 9 || clusterBits > 21 || encrypted)
    return library;
  if (version == 3 && (field(72, 8) & ~(kDirty | kCompressionType)) != 0) return library;
  if (field(36, 4) > kMostL1Entries) return library;
  auto l1 = ReadTable(file, field(40, 8), field(36, 4));
  if (!l1) return library;
  return std::shared_ptr<ByteSource>(new QcowSource(
      std::move(file), std::move(library), static_cast<unsigned>(clusterBits), std::move(*l1)));
}

QcowSource::QcowSource(DiskReader file, std::shared_ptr<ByteSource> library, unsigned clusterBits,
                       Table l1)
    : file_(std::move(file)),
      library_(std::move(library)),
      clusterBits_(clusterBits),
      l1_(std::move(l1)) {}

std::optional<std::size_t> QcowSource::ReadSome(std::int64_t offset,
                                                std::span<std::uint8_t> buffer) {
  if (offset < 0) return std::nullopt;
  if (offset >= Size()) return 0;
  const auto size =
      static_cast<std::size_t>(std::min<std::int64_t>(Size() - offset, buffer.size()));
  for (std::size_t done = 0; done < size;) {
    const auto at = static_cast<std::uint64_t>(offset) + done;
    const std::size_t length = RunLength(at, size - done);
    const auto part = buffer.subspan(done, length);
    const auto stored = StoredAt(at >> clusterBits_);
    const std::uint64_t within = at & ((1ULL << clusterBits_) - 1);
    const bool read = stored ? file_.ReadAt(static_cast<std::int64_t>(*stored + within), part)
                             : library_->ReadAt(static_cast<std::int64_t>(at), part);
    if (!read) return std::nullopt;
    done += length;
  }
  return size;
}

void QcowSource::AdviseSequential(std::int64_t offset, std::int64_t length) {
  library_->AdviseSequential(offset, length);
}

std::size_t QcowSource::RunLength(std::uint64_t offset, std::size_t most) {
  const std::uint64_t clusterBytes = 1ULL << clusterBits_;
  const std::uint64_t first = offset >> clusterBits_;
  const auto firstStored = StoredAt(first);
  std::uint64_t end = (first + 1) << clusterBits_;
  for (std::uint64_t cluster = first + 1; end - offset < most; ++cluster, end += clusterBytes) {
    const auto stored = StoredAt(cluster);
    const bool same = firstStored ? stored == *firstStored + (cluster - first) * clusterBytes
                                  : !stored.has_value();
    if (!same) break;
  }
  return static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, most));
}

std::optional<std::uint64_t> QcowSource::StoredAt(std::uint64_t cluster) {
  const unsigned entriesBits = clusterBits_ - 3;
  const std::uint64_t l1Index = cluster >> entriesBits;
  if (l1Index >= l1_.size()) return std::nullopt;
  const auto l2 = L2Table(l1Index);
  if (!l2) return std::nullopt;
  return PlainOffset((*l2)[cluster & ((1ULL << entriesBits) - 1)]);
}

std::shared_ptr<const QcowSource::Table> QcowSource::L2Table(std::uint64_t l1Index) {
  const std::lock_guard lock(cacheMutex_);
  const auto cached = std::find_if(cache_.rbegin(), cache_.rend(), [&](const CachedTable& table) {
    return table.l1Index == l1Index;
  });
  if (cached != cache_.rend()) return cached->l2;
  const auto l2Offset = PlainOffset(l1_[l1Index]);
  if (!l2Offset) return nullptr;
  auto table = ReadTable(file_, *l2Offset, (1ULL << clusterBits_) / 8);
  if (!table) return nullptr;
  if (cache_.size() == kCachedTables) cache_.erase(cache_.begin());
  cache_.push_back({l1Index, std::make_shared<const Table>(std::move(*table))});
  return cache_.back().l2;
}

}  // namespace kestrel::disk
