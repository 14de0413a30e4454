// SPDX-License-Identifier: Apache-2.0
// Containers: told apart by their signatures, never by their names; a raw image in numbered
// pieces read as one; a QCOW2 file whose tables name bytes past its end refused, its tables read
// at no more cost than the file's size however they repeat, and its plain clusters read straight
// from the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "disk/MemorySource.h"
#include "disk/container/ContainerKind.h"
#include "disk/container/QcowTables.h"
#include "disk/container/SplitRawSource.h"

namespace kestrel::disk {
namespace {

std::vector<std::uint8_t> Sector(std::string_view start, std::size_t at = 0) {
  std::vector<std::uint8_t> sector(512);
  std::copy(start.begin(), start.end(), sector.begin() + static_cast<std::ptrdiff_t>(at));
  return sector;
}

TEST(ContainerKind, EachSignatureNamesItsKindAndAnythingElseIsRaw) {
  const std::vector<std::uint8_t> zeros(512);
  const auto kind = [&](std::string_view head, std::string_view tail = {}, std::size_t at = 0) {
    return KindFromSignature(Sector(head), tail.empty() ? zeros : Sector(tail, at));
  };
  EXPECT_EQ(kind(std::string_view("EVF\x09\x0D\x0A\xFF\x00", 8)), ContainerKind::Ewf);
  EXPECT_EQ(kind("KDMV"), ContainerKind::Vmdk);
  EXPECT_EQ(kind("# Disk DescriptorFile\nversion=1"), ContainerKind::Vmdk);
  EXPECT_EQ(kind("vhdxfile"), ContainerKind::Vhdx);
  EXPECT_EQ(kind("QFI\xFB"), ContainerKind::Qcow2);
  EXPECT_EQ(kind("conectix"), ContainerKind::Vhd) << "a dynamic VHD's copy of its footer";
  EXPECT_EQ(kind("", "conectix"), ContainerKind::Vhd) << "a fixed VHD's footer, at its end only";
  EXPECT_EQ(kind("", "conectix", 1), ContainerKind::Vhd) << "a footer of 511 bytes";
  EXPECT_EQ(kind(std::string_view("EVF\x09\x0D\x0A\xFE\x00", 8)), ContainerKind::Raw);
  EXPECT_EQ(kind("\xEB\x52\x90NTFS"), ContainerKind::Raw);
  EXPECT_EQ(KindFromSignature({}, {}), ContainerKind::Raw) << "an empty file";
  EXPECT_EQ(KindFromSignature(Sector("QF"), {}), ContainerKind::Raw);
}

TEST(ContainerKind, SplitPiecesAreFoundByTheirNumbering) {
  for (const char* first : {"disk.001", "disk.000", "/a.b/disk.0001", "disk.aa", "x/disk.aaa"})
    EXPECT_TRUE(NamesFirstPiece(first)) << first;
  for (const char* other :
       {"disk.002", "disk.img", "disk.ab", "disk.a", "disk", "dir.001/disk", "disk.", "disk.01x"})
    EXPECT_FALSE(NamesFirstPiece(other)) << other;
  EXPECT_EQ(NextPieceName("disk.001"), "disk.002");
  EXPECT_EQ(NextPieceName("disk.009"), "disk.010");
  EXPECT_EQ(NextPieceName("disk.099"), "disk.100");
  EXPECT_EQ(NextPieceName("disk.aa"), "disk.ab");
  EXPECT_EQ(NextPieceName("disk.az"), "disk.ba");
  EXPECT_EQ(NextPieceName("disk.999"), std::nullopt) << "the numbering has run out";
  EXPECT_EQ(NextPieceName("disk.zz"), std::nullopt);
  EXPECT_EQ(NextPieceName("v1.2/disk"), std::nullopt);
}

std::vector<std::uint8_t> Numbered(std::size_t size, std::uint8_t from) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(from + i * 7);
  return bytes;
}

// Three pieces of odd sizes (and an empty one, which holds nothing) read as their concatenation,
// also across the joins; a piece that fails a read fails the read, never a shorter one.
TEST(SplitRawSource, PiecesReadAsOneImageAcrossTheirJoins) {
  const auto a = Numbered(1000, 1), b = Numbered(24, 2), c = Numbered(3000, 3);
  std::vector<std::uint8_t> whole(a);
  whole.insert(whole.end(), b.begin(), b.end());
  whole.insert(whole.end(), c.begin(), c.end());
  SplitRawSource split({std::make_shared<MemorySource>(a), std::make_shared<MemorySource>(b),
                        std::make_shared<MemorySource>(std::vector<std::uint8_t>{}),
                        std::make_shared<MemorySource>(c)});
  ASSERT_EQ(split.Size(), static_cast<std::int64_t>(whole.size()));
  for (const std::int64_t offset : {0, 990, 1000, 1020, 1023, 1024, 4000}) {
    std::vector<std::uint8_t> read(100);
    const auto count = split.ReadSome(offset, read);
    const auto expected = std::min<std::size_t>(100, whole.size() - offset);
    ASSERT_EQ(count, expected) << offset;
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(expected),
                           whole.begin() + offset))
        << offset;
  }
  std::vector<std::uint8_t> past(10);
  EXPECT_EQ(split.ReadSome(split.Size(), past), 0u);

  SplitRawSource failing({std::make_shared<MemorySource>(a),
                          std::make_shared<FaultyMemorySource>(c, std::set<std::uint64_t>{1})});
  std::vector<std::uint8_t> across(1000);
  EXPECT_EQ(failing.ReadSome(900, across), std::nullopt);
  EXPECT_TRUE(failing.ReadAt(0, std::span(across).first(512))) << "the good piece still reads";
}

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
                  int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

// A QCOW2 file of clusters of 512 bytes: the header, the L1 table at 512, one L2 table at 1024
// whose first entries are `l2Entries`, and data clusters from 1536 on, each byte of which is its
// offset's low byte; `size` cuts the file there.
std::vector<std::uint8_t> QcowBytes(std::size_t size, std::vector<std::uint64_t> l2Entries,
                                    std::uint64_t incompatibleFeatures = 0) {
  std::vector<std::uint8_t> bytes(4096);
  for (std::size_t at = 1536; at < bytes.size(); ++at) bytes[at] = static_cast<std::uint8_t>(at);
  const auto put = [&](std::size_t at, std::uint64_t value, int width) {
    PutBigEndian(bytes, at, value, width);
  };
  put(0, 0x514649FB, 4);  // "QFI\xFB"
  put(4, 3, 4);           // version
  put(20, 9, 4);          // cluster bits
  put(36, 1, 4);          // L1 entries
  put(40, 512, 8);        // L1 table offset
  put(72, incompatibleFeatures, 8);
  put(512, 1024 | 1ULL << 63, 8);
  for (std::size_t i = 0; i < l2Entries.size(); ++i) put(1024 + 8 * i, l2Entries[i], 8);
  bytes.resize(size);
  return bytes;
}

DiskReader QcowFile(std::size_t size, std::uint64_t l2Entry = 1536) {
  return DiskReader(std::make_shared<MemorySource>(QcowBytes(size, {l2Entry})));
}

TEST(QcowCheck, TablesAndClustersPastTheEndOfTheFileAreNamed) {
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2048)), std::nullopt);
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2047)),
            "the cluster at offset 1536 lies past the end of the file (2047 bytes): the file is "
            "truncated or damaged");
  EXPECT_NE(QcowTablesDamaged(QcowFile(1500)).value_or("").find("the L2 table at offset 1024"),
            std::string::npos);
  EXPECT_NE(QcowTablesDamaged(QcowFile(516)).value_or("").find("the L1 table at offset 512"),
            std::string::npos);
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2047, 1ULL << 62 | 1536)), std::nullopt)
      << "a compressed cluster's length is an upper bound; the library reads it to the end";
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2047, 0)), std::nullopt) << "an unallocated cluster";
  const auto misplaced = [](std::uint64_t entry) {
    return QcowTablesDamaged(QcowFile(2048, entry)).value_or("").find("a sound file never holds");
  };
  EXPECT_NE(misplaced(1536 | 0x100), std::string::npos) << "an entry's reserved low bits";
  EXPECT_NE(misplaced(1536 | 1ULL << 57), std::string::npos) << "an entry's reserved high bits";
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2048, 1536 | 1)), std::nullopt) << "reads as zeros";
  auto l1BitZero = QcowBytes(2048, {1536});
  l1BitZero[519] |= 1;  // the L1 entry names its L2 table at 1025, as libqcow reads it
  EXPECT_NE(QcowTablesDamaged(DiskReader(std::make_shared<MemorySource>(std::move(l1BitZero))))
                .value_or("")
                .find("the L2 table at offset 1025"),
            std::string::npos);
  EXPECT_EQ(QcowTablesDamaged(QcowFile(40)), std::nullopt) << "no header: the library says why";
}

// A file as a sparse file reads: the bytes it was given, then zeros up to its size. It counts the
// bytes read from it.
class SparseFile : public ByteSource {
 public:
  SparseFile(std::vector<std::uint8_t> bytes, std::int64_t size)
      : bytes_(std::move(bytes)), size_(size) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    if (offset < 0) return std::nullopt;
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int64_t>(size_ - offset, 0, static_cast<std::int64_t>(buffer.size())));
    for (std::size_t i = 0; i < count; ++i) {
      const auto at = static_cast<std::size_t>(offset) + i;
      buffer[i] = at < bytes_.size() ? bytes_[at] : 0;
    }
    bytesRead_ += count;
    return count;
  }
  std::int64_t Size() const override { return size_; }
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t size_;
  std::uint64_t bytesRead_ = 0;
};

// The QCOW2 file of QcowBytes with its L1 table moved to 4096 and grown to `entries` entries, each
// naming the L2 table at 1024; `size` is the file's, sparse after the table.
std::shared_ptr<SparseFile> QcowWithL1(std::uint32_t entries, std::int64_t size) {
  auto bytes = QcowBytes(4096, {1536});
  PutBigEndian(bytes, 36, entries, 4);
  PutBigEndian(bytes, 40, 4096, 8);
  bytes.resize(4096 + 8 * static_cast<std::size_t>(std::min<std::uint32_t>(entries, 1 << 20)));
  for (std::size_t at = 4096; at < bytes.size(); at += 8) PutBigEndian(bytes, at, 1024, 8);
  return std::make_shared<SparseFile>(std::move(bytes), size);
}

// However often a damaged file names one L2 table, it is read once; an L1 table larger than QEMU
// allows (32 MiB) is refused before it is read, where a sparse file could claim gigabytes of it.
TEST(QcowCheck, TheTablesCostNoMoreThanTheFileHolds) {
  constexpr std::uint32_t kEntries = 1 << 20;
  const auto repeated = QcowWithL1(kEntries, 4096 + 8 * kEntries);
  EXPECT_EQ(QcowTablesDamaged(DiskReader(repeated)), std::nullopt);
  EXPECT_LE(repeated->BytesRead(), 80 + 8 * kEntries + 512) << "the header, the L1 and one L2";

  constexpr std::uint32_t kMostEntries = 4 << 20;
  EXPECT_EQ(QcowTablesDamaged(DiskReader(QcowWithL1(kMostEntries, 4096 + 8LL * kMostEntries))),
            std::nullopt);
  const auto huge = QcowWithL1(kMostEntries + 1, 4096 + 8LL * (kMostEntries + 1));
  EXPECT_EQ(QcowTablesDamaged(DiskReader(huge)),
            "the L1 table holds 4194305 entries, more than a QCOW2 image holds (at most 4194304): "
            "the file is damaged");
  const auto library = std::make_shared<MemorySource>(std::vector<std::uint8_t>(512));
  EXPECT_EQ(QcowSource::Over(DiskReader(huge), library), library);
  EXPECT_LT(huge->BytesRead(), 4096u) << "the table is not read";
}

TEST(QcowCheck, AStopRequestEndsTheCheck) {
  std::stop_source stop;
  stop.request_stop();
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2048), stop.get_token()), kQcowCheckStopped);
  EXPECT_EQ(QcowTablesDamaged(QcowFile(2048), std::stop_source().get_token()), std::nullopt);
}

// Plain clusters come straight from the file, also across clusters that lie one after another
// there; every other cluster (compressed, all zeros, not allocated, an entry with stray bits)
// comes through the library, which here holds 0xAA everywhere.
TEST(QcowSource, PlainClustersReadFromTheFileAndTheRestThroughTheLibrary) {
  constexpr std::uint64_t kCopied = 1ULL << 63;
  const std::vector<std::uint64_t> entries = {
      2048 | kCopied, 2560, 1536, 1ULL << 62 | 3072, 0, 3072 | 1, 3584 | 1ULL << 56, 3584};
  const auto library = std::make_shared<MemorySource>(std::vector<std::uint8_t>(8 * 512, 0xAA));
  const auto source = QcowSource::Over(
      DiskReader(std::make_shared<MemorySource>(QcowBytes(4096, entries))), library);
  ASSERT_NE(source, library);
  ASSERT_EQ(source->Size(), 8 * 512);
  std::vector<std::uint8_t> read(8 * 512 - 100);
  ASSERT_EQ(source->ReadSome(100, read), read.size());
  const auto expected = [&](std::size_t guest) -> std::uint8_t {
    static constexpr std::int64_t kHost[] = {2048, 2560, 1536, -1, -1, -1, -1, 3584};
    const std::int64_t host = kHost[guest / 512];
    return host < 0 ? 0xAA
                    : static_cast<std::uint8_t>(host + static_cast<std::int64_t>(guest % 512));
  };
  for (std::size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], expected(100 + i)) << 100 + i;
  std::vector<std::uint8_t> past(10);
  EXPECT_EQ(source->ReadSome(source->Size(), past), 0u);
}

// What this reading does not cover is left to the library whole: extended L2 entries, data in an
// external file, an encrypted image; and a read past the file's end fails, never reads short.
TEST(QcowSource, ImagesItDoesNotCoverGoWholeToTheLibrary) {
  const auto library = std::make_shared<MemorySource>(std::vector<std::uint8_t>(512, 0xAA));
  const auto over = [&](std::vector<std::uint8_t> bytes) {
    return QcowSource::Over(DiskReader(std::make_shared<MemorySource>(std::move(bytes))), library);
  };
  EXPECT_EQ(over(QcowBytes(4096, {1536}, 1ULL << 4)), library) << "extended L2 entries";
  EXPECT_EQ(over(QcowBytes(4096, {1536}, 1ULL << 2)), library) << "an external data file";
  EXPECT_NE(over(QcowBytes(4096, {1536}, 1ULL << 0 | 1ULL << 3)), library)
      << "a dirty image, or one with another compression, keeps its plain clusters";
  auto encrypted = QcowBytes(4096, {1536});
  encrypted[35] = 1;
  EXPECT_EQ(over(encrypted), library);
  EXPECT_EQ(over(QcowBytes(60, {1536})), library) << "no whole header";

  std::vector<std::uint8_t> read(512);
  EXPECT_EQ(over(QcowBytes(1800, {1536}))->ReadSome(0, read), std::nullopt);
}

}  // namespace
}  // namespace kestrel::disk
