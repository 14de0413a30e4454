// SPDX-License-Identifier: Apache-2.0
// The rules of imaging and cloning that decide without reading a disk: the progress grid and its
// chunks, the ranges, the texts and names, the line format and the Start rule.
#include <gtest/gtest.h>

#include "disk/MediaTree.h"
#include "imaging/CloneChoice.h"
#include "imaging/CopyTexts.h"
#include "imaging/Digest.h"
#include "imaging/ImageDestination.h"
#include "imaging/ImagingRange.h"
#include "imaging/MapFile.h"
#include "imaging/ProgressGrid.h"
#include "imaging/RescueMap.h"

namespace kestrel::imaging {
namespace {

// The platform's hashes (OpenSSL, or Windows CNG) against the published test vectors, fed in
// pieces as the imaging run feeds them.
TEST(Digest, PublishedVectorsInAnyPieces) {
  const auto bytes = [](std::string_view text) {
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  };
  EXPECT_EQ(Digest(DigestKind::Sha256).HexDigest(),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Digest pieces(DigestKind::Sha256);
  pieces.Update(bytes("abcdbcdecdefdefgefghfghighij"));
  pieces.Update(bytes(""));
  pieces.Update(bytes("hijkijkljklmklmnlmnomnopnopq"));
  EXPECT_EQ(pieces.HexDigest(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(pieces.HexDigest(), "") << "a finished hash gives its digest once";
  const std::vector<std::uint8_t> million(1000000, 'a');
  Digest large(DigestKind::Sha256);
  large.Update(million);
  EXPECT_EQ(large.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

  EXPECT_EQ(Digest(DigestKind::Md5).HexDigest(), "d41d8cd98f00b204e9800998ecf8427e");
  Digest md5(DigestKind::Md5);
  md5.Update(bytes("The quick brown fox "));
  md5.Update(bytes("jumps over the lazy dog"));
  EXPECT_EQ(md5.HexDigest(), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(ProgressGrid, EverySectorLiesInExactlyOneSquare) {
  for (const std::uint64_t total :
       {0ull, 1ull, 1000ull, 1763ull, 1763ull * 5 + 1762, (1ull << 33) + 12345}) {
    const ProgressGrid grid(total);
    EXPECT_EQ(grid.BlockSectors(), total / 1763);
    std::uint64_t next = 0;
    for (int square = 0; square < ProgressGrid::kSquares; ++square) {
      const SectorRange sectors = grid.SquareSectors(square);
      ASSERT_EQ(sectors.first, next) << "total " << total << ", square " << square;
      ASSERT_GE(sectors.end, sectors.first);
      next = sectors.end;
    }
    EXPECT_EQ(next, total) << "the last square reaches the end of the range";
  }
}

TEST(ProgressGrid, FewerSectorsThanBlocksAllGoToTheLastSquare) {
  const ProgressGrid grid(1000);
  EXPECT_EQ(grid.BlockSectors(), 0u);
  EXPECT_EQ(grid.SquareSectors(0).Count(), 0u);
  EXPECT_EQ(grid.SquareSectors(ProgressGrid::kSquares - 1), (SectorRange{0, 1000}));
  EXPECT_EQ(grid.State(5), BlockState::Remaining);
}

TEST(ProgressGrid, ABlockIsCopiedInChunksOfAtMost2048Sectors) {
  const SectorRange exact = ProgressGrid(1763ull * 2048).SquareSectors(3);
  EXPECT_EQ(ChunksOf(exact, 2048), (std::vector<SectorRange>{{3 * 2048, 4 * 2048}}));
  const SectorRange over = ProgressGrid(1763ull * 2049).SquareSectors(0);
  EXPECT_EQ(ChunksOf(over, 2048), (std::vector<SectorRange>{{0, 2048}, {2048, 2049}}));
  EXPECT_EQ(ChunksOf({10, 140}, 64), (std::vector<SectorRange>{{10, 74}, {74, 138}, {138, 140}}));
  EXPECT_TRUE(ChunksOf({7, 7}, 64).empty());
}

TEST(ImageSizeText, TheUnitFollowsTheSizeBeforeTheWrite) {
  EXPECT_EQ(ImageSizeText(0, 1048576), "1048576 bytes");
  EXPECT_EQ(ImageSizeText(1048575, 1048575 + 1048576), "2097151 bytes");
  EXPECT_EQ(ImageSizeText(1048576, 2097152), "2 MB");
  EXPECT_EQ(ImageSizeText(1ull << 30, (1ull << 30) + (1 << 20)), "1025 MB");
  EXPECT_EQ(ImageSizeText((1ull << 30) + 1, 3ull << 30), "3 GB");
  EXPECT_EQ(ImageSizeText(5ull << 40, (5ull << 40) + 512), "5120 GB") << "no 32-bit wrap";
}

TEST(ImagingRange, DiskAndPoolRanges) {
  EXPECT_EQ(DiskImageRange(5ull << 32), (SectorRange{0, 5ull << 32})) << "beyond 2 TiB";
  disk::PoolEntry pool;
  pool.node.start = 2048 * 512;
  pool.extentSectors = 65536;
  EXPECT_EQ(PoolImageRange(pool, 200000), (SectorRange{2048, 2048 + 65536}));
  EXPECT_EQ(PoolImageRange(pool, 40000), (SectorRange{2048, 40000}))
      << "an extent past the end of the disk is cut there";
  EXPECT_EQ(SourceSizeMB({2048, 2048 + 65536}), 32u);
  EXPECT_EQ(SourceSizeMB({0, 2047}), 0u) << "rounded down";
  const auto lines = ItemInformationLines({2048, 67584});
  EXPECT_EQ(lines[0], "Size                      :    32 MB");
  EXPECT_EQ(lines[1], "Starting Sector :     2048");
  EXPECT_EQ(lines[2], "Ending Sector   :     67584");
}

TEST(ImageNames, DotImgIsAlwaysAppendedAndTheMapSitsBeside) {
  EXPECT_EQ(ImagePathForChosenName("/images/server1"), "/images/server1.IMG");
  EXPECT_EQ(ImagePathForChosenName("/images/server1.IMG"), "/images/server1.IMG.IMG");
  EXPECT_EQ(DefaultMapPath("/images/server1.img"), "/images/server1.img.map");
}

TEST(CloneChoice, LinesAndTheStartRule) {
  disk::DriveListEntry source{
      2, platform::MediaKind::Fixed, 2097152, disk::DriveIdentity{"WDC", "WD-123", "01", 0}, {}};
  EXPECT_EQ(CloneDriveLine(source, "/dev/sdc"), "WDC [WD-123] 1.00 GB (Disk 2)");
  disk::DriveListEntry destination{3, platform::MediaKind::Fixed, 2097152, std::nullopt, {}};
  EXPECT_EQ(CloneDriveLine(destination, "/images/spare.img"),
            "/images/spare.img [] 1.00 GB (Disk 3)")
      << "a disk without a model is told by its file";
  EXPECT_TRUE(CanStartCloning(&source, &destination)) << "exactly as large";
  EXPECT_FALSE(CanStartCloning(&source, &source)) << "the same line";
  EXPECT_FALSE(CanStartCloning(&source, nullptr));
  destination.sectorCount = 2097151;
  EXPECT_FALSE(CanStartCloning(&source, &destination));
  source.sectorCount = (1ull << 32) + 1;
  destination.sectorCount = 1ull << 32;
  EXPECT_FALSE(CanStartCloning(&source, &destination)) << "compared in 64 bits";
  EXPECT_EQ(BlockSizeText(ProgressGrid(1763ull * 4096).BlockSectors()), "2.000 MB");
  CopyStatus status;
  status.sectorsDone = 64;
  status.unreadableSectors = 2;
  status.grid = ProgressGrid(1763ull * 4096);
  EXPECT_EQ(ProcessedSectorsText(status), "64 of 7221248 sectors, 2 unreadable");
}

TEST(CloneChoice, OnlyHardDisksThatOpenAreOffered) {
  disk::DriveList list;
  list.drives = {{0, platform::MediaKind::Fixed, 100, std::nullopt, {}},
                 {1, platform::MediaKind::Removable, 100, std::nullopt, {}},
                 {3,
                  platform::MediaKind::Fixed,
                  0,
                  std::nullopt,
                  {disk::OpenError::PermissionDenied, "denied"}},
                 {4, platform::MediaKind::Fixed, 100, std::nullopt, {}}};
  const auto offered = CloneDrives(list);
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0].number, 0);
  EXPECT_EQ(offered[1].number, 4);
}

TEST(MapFile, OneLinePerRunOfMissingSectorsInImageBytes) {
  CopyOutcome outcome;
  outcome.sectorsDone = 3000;
  for (const std::uint64_t sector : {2048 + 2048, 2048 + 2049, 2048 + 2050, 2048 + 2999}) {
    outcome.unreadable.Add(sector);
  }
  ASSERT_EQ(outcome.unreadable.Runs().size(), 2u) << "adjacent sectors make one run";
  const std::string text = MapFileText("\\\\.\\PhysicalDrive0", {2048, 2048 + 4000}, outcome);
  EXPECT_EQ(text.rfind("# ", 0), 0u) << "a comment header first";
  EXPECT_NE(text.find("image position 0 is source byte 0x00100000"), std::string::npos);
  const std::string header = "#      pos        size  status\n";
  const std::string lines = text.substr(text.find(header) + header.size());
  EXPECT_EQ(lines,
            "0x00000000  0x00100000  +\n"
            "0x00100000  0x00000600  -\n"
            "0x00100600  0x00076800  +\n"
            "0x00176E00  0x00000200  -\n"
            "0x00177000  0x0007D000  ?\n");
  const auto read = RescueMap::Parse(text, 4000 * 512);
  ASSERT_TRUE(read.ok()) << read.error();
  EXPECT_EQ(read.value().currentPosition, 3000u * 512) << "where the stopped copy ended";
  EXPECT_EQ(read.value().BytesWith(BlockStatus::BadSector), 4u * 512);
  EXPECT_EQ(ImageDigestInMap(text), "") << "an image not hashed";

  outcome.sha256 = std::string(64, 'a');
  EXPECT_EQ(ImageDigestInMap(MapFileText("disk.img", {0, 4000}, outcome)), outcome.sha256);
}

}  // namespace
}  // namespace kestrel::imaging
