#include "disk/container/QcowCheck.h"

#include <array>
#include <vector>

#include "app/SizeText.h"

namespace kestrel::disk {
namespace {

// An L1 or L2 entry's host offset: bits 9 to 55 in a sound file. The bits below, which only a
// damaged entry sets, are kept, as libqcow keeps them when it reads there.
constexpr std::uint64_t kOffsetMask = 0x00FFFFFFFFFFFFFE;
constexpr std::uint64_t kCompressed = 1ULL << 62;
constexpr std::uint64_t kExtendedL2 = 1ULL << 4;  // an incompatible feature bit of version 3

std::uint64_t BigEndian(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

// The table of `entries` 8-byte entries at `offset`, or nothing when the file ends inside it.
std::optional<std::vector<std::uint64_t>> ReadTable(const DiskReader& file, std::uint64_t offset,
                                                    std::uint64_t entries) {
  const auto fileSize = static_cast<std::uint64_t>(file.Size());
  if (offset > fileSize || entries > (fileSize - offset) / 8) return std::nullopt;
  std::vector<std::uint8_t> bytes(entries * 8);
  if (!file.ReadAt(static_cast<std::int64_t>(offset), bytes)) return std::nullopt;
  std::vector<std::uint64_t> table(entries);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = BigEndian(std::span(bytes).subspan(i * 8, 8));
  return table;
}

std::string PastEnd(const char* what, std::uint64_t offset, const DiskReader& file) {
  return app::Format(
      "the %s at offset %llu lies past the end of the file (%llu bytes): the file "
      "is truncated or damaged",
      what, static_cast<unsigned long long>(offset), static_cast<unsigned long long>(file.Size()));
}

}  // namespace

std::optional<std::string> QcowTablesPastEnd(const DiskReader& file) {
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
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file.Size());
  const std::uint64_t l1Offset = field(40, 8);
  const auto l1 = ReadTable(file, l1Offset, field(36, 4));
  if (!l1) return PastEnd("L1 table", l1Offset, file);
  for (const std::uint64_t l1Entry : *l1) {
    const std::uint64_t l2Offset = l1Entry & kOffsetMask;
    if (l2Offset == 0) continue;
    const auto l2 = ReadTable(file, l2Offset, clusterBytes / 8);
    if (!l2) return PastEnd("L2 table", l2Offset, file);
    for (const std::uint64_t entry : *l2) {
      const std::uint64_t offset = entry & kOffsetMask;
      if ((entry & kCompressed) != 0 || offset == 0) continue;
      if (offset > fileSize || clusterBytes > fileSize - offset)
        return PastEnd("cluster", offset, file);
    }
  }
  return std::nullopt;
}

}  // namespace kestrel::disk
