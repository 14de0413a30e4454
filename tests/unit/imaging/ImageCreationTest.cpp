// SPDX-License-Identifier: Apache-2.0
// The imaging worker on sources in memory, with bad sectors where needed, into real files.
#include <gtest/gtest.h>

#include <cerrno>

#include "disk/MemorySource.h"
#include "disk/platform/Platform.h"
#include "imaging/ChunkRead.h"
#include "imaging/Digest.h"
#include "imaging/ImageCreation.h"
#include "imaging/ImagingSupport.h"
#include "imaging/MapFile.h"
#include "support/FailingRead.h"

namespace kestrel::imaging {
namespace {

using namespace test;

// A source that asks for the stop while it serves the read of one sector: a stop that arrives
// in the middle of a chunk.
class StopDuringRead : public disk::MemorySource {
 public:
  StopDuringRead(std::vector<std::uint8_t> bytes, std::uint64_t sector, std::stop_source& stop)
      : MemorySource(std::move(bytes)), sector_(sector), stop_(stop) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    const auto first = static_cast<std::uint64_t>(offset) / 512;
    if (first <= sector_ && sector_ < first + buffer.size() / 512) stop_.request_stop();
    return MemorySource::ReadSome(offset, buffer);
  }

 private:
  std::uint64_t sector_;
  std::stop_source& stop_;
};

class Recorder : public app::ProgressObserver {
 public:
  void OnProgress(const app::Progress& progress) override { last = progress; }
  app::Progress last;
};

class ImageCreation : public ::testing::Test {
 protected:
  app::Result<CopyOutcome> Image(std::shared_ptr<disk::ByteSource> source, SectorRange range,
                                 std::stop_token stop = {}) {
    reader = disk::DiskReader(std::move(source));
    auto image = platform::CreateImageFile(imagePath);
    EXPECT_TRUE(image.status.ok()) << image.status.message;
    const ImagingJob job{reader, "memory", range, imagePath};
    return CreateImage(job, *image.writer, status, progress, std::move(stop), log);
  }

  std::string Log() const { return ReadFileText(folder / "log.txt"); }

  static std::string Sha256Of(std::span<const std::uint8_t> bytes) {
    Digest hash(DigestKind::Sha256);
    hash.Update(bytes);
    return hash.HexDigest();
  }

  // Images the whole source with read k failing: the image holds every sector of the source but
  // those its map and the log name as unreadable, which are zeros, and its SHA-256 is the image's.
  void ExpectZerosOnlyWhereTheMapSays(std::shared_ptr<FailingReadSource> source,
                                      const std::vector<std::uint8_t>& bytes, std::uint64_t k) {
    std::filesystem::remove(folder / "log.txt");
    const auto outcome = Image(source, {0, bytes.size() / 512});
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    auto expected = bytes;
    for (const SectorRun& run : outcome.value().unreadable.Runs())
      std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(run.first * 512), run.count * 512,
                  0);
    EXPECT_TRUE(ReadWholeFile(imagePath) == expected);
    EXPECT_EQ(outcome.value().sha256, Sha256Of(expected));
    const std::uint64_t unreadable = outcome.value().unreadable.SectorCount();
    if (k == 0) {
      EXPECT_EQ(unreadable, 0u);
    }
    EXPECT_NE(Log().find(" " + std::to_string(unreadable) + " unreadable sectors, SHA-256 "),
              std::string::npos);
  }

  ScratchFolder folder{"imaging-creation"};
  std::string imagePath = (folder / "out.img").string();
  app::LogReport log{(folder / "log.txt").string()};
  disk::DiskReader reader;
  CopyStatus status;
  Recorder progress;
};

// Blocks of whole 2048-sector chunks need ranges of 1763 * 2048 sectors, too large for memory;
// the chunk read itself is the same function at any size.
TEST(ChunkRead, AChunkWithOneBadSectorReadsTheOtherSectorsAndZeros) {
  const auto bytes = NumberedSectors(4096);
  const disk::DiskReader reader(
      std::make_shared<disk::FaultyMemorySource>(bytes, std::set<std::uint64_t>{2048 + 700}));
  std::vector<std::uint8_t> buffer(2048 * 512, 0xAA);
  Chunk chunk{2048, 2048, {}, buffer};
  ReadChunk(reader, chunk);
  auto expected = std::vector<std::uint8_t>(bytes.begin() + 2048 * 512, bytes.end());
  std::fill(expected.begin() + 700 * 512, expected.begin() + 701 * 512, 0);
  EXPECT_TRUE(buffer == expected) << "2047 good sectors and 512 zero bytes";
  EXPECT_EQ(chunk.unreadable, std::vector<std::uint32_t>{700});
  chunk.firstSector = 0;
  ReadChunk(reader, chunk);
  EXPECT_TRUE(chunk.unreadable.empty()) << "a chunk that reads starts with no unreadable sectors";
  ExpectSourceUnchanged(reader, bytes, {2048 + 700});
}

TEST_F(ImageCreation, AnUnreadableSectorIsZerosInTheImageAndALineInTheMap) {
  // 4096 sectors make blocks of 2 sectors: sector 3000 lies in square 1500.
  const auto bytes = NumberedSectors(4096);
  const auto outcome = Image(
      std::make_shared<disk::FaultyMemorySource>(bytes, std::set<std::uint64_t>{3000}), {0, 4096});
  ASSERT_TRUE(outcome.ok()) << outcome.error();
  const auto image = ReadWholeFile(imagePath);
  ASSERT_EQ(image.size(), bytes.size());
  auto expected = bytes;
  std::fill(expected.begin() + 3000 * 512, expected.begin() + 3001 * 512, 0);
  EXPECT_TRUE(image == expected);
  EXPECT_EQ(outcome.value().unreadable.Runs(), (std::vector<SectorRun>{{3000, 1}}));
  EXPECT_EQ(outcome.value().sha256, Sha256Of(expected));
  EXPECT_NE(MapFileText("memory", {0, 4096}, outcome.value()).find("0x00177000  0x00000200  -\n"),
            std::string::npos);
  EXPECT_EQ(status.grid.State(1500), BlockState::Bad);
  EXPECT_EQ(status.grid.State(0), BlockState::Processed);
  EXPECT_NE(Log().find("Image " + imagePath + ": 2097152 bytes, 1 unreadable sectors, SHA-256 " +
                       outcome.value().sha256),
            std::string::npos);
  ExpectSourceUnchanged(reader, bytes, {3000});
}

// Every read of the imaging fails in turn. A disk this small is one chunk, read again sector by
// sector when it fails.
TEST_F(ImageCreation, AFailedReadAnywhereIsZerosOnlyWhereTheMapSaysSo) {
  const auto bytes = NumberedSectors(200);
  ForEveryFailingRead(bytes, [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
    ExpectZerosOnlyWhereTheMapSays(std::move(source), bytes, k);
  });
}

// Past 1763 sectors the chunks are the grid's squares, here of 8 sectors, some 1,764 reads: a
// sample of them fails, in the first chunk, in the last, and in between.
TEST_F(ImageCreation, AFailedReadInAnyChunkOfALargerDiskIsZerosOnlyWhereTheMapSaysSo) {
  const auto bytes = NumberedSectors(1764 * 8);
  ForEveryFailingRead(
      bytes,
      [&](std::shared_ptr<FailingReadSource> source, std::uint64_t k) {
        ExpectZerosOnlyWhereTheMapSays(std::move(source), bytes, k);
      },
      97);
}

TEST_F(ImageCreation, EverySectorIsCopiedWhateverTheBlockArithmetic) {
  for (const std::uint64_t sectors : {1000ull, 1763ull, 2048ull, 2049ull, 1763ull * 3 + 1762}) {
    const auto bytes = NumberedSectors(sectors);
    const auto outcome = Image(std::make_shared<disk::MemorySource>(bytes), {0, sectors});
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    EXPECT_TRUE(ReadWholeFile(imagePath) == bytes) << sectors << " sectors";
    EXPECT_EQ(outcome.value().bytesWritten, bytes.size());
    EXPECT_EQ(outcome.value().sha256, Sha256Of(bytes));
    EXPECT_FALSE(outcome.value().stopped);
    EXPECT_EQ(progress.last.done, progress.last.total);
    EXPECT_NE(progress.last.status.find("Image Size: "), std::string::npos);
    for (const BlockState state : status.grid.States()) ASSERT_EQ(state, BlockState::Processed);
    ExpectSourceUnchanged(reader, bytes);
  }
}

TEST_F(ImageCreation, AStopDuringAChunkWritesThatChunkAndEnds) {
  // 40000 sectors make blocks of 22 sectors: a square is one chunk.
  const auto bytes = NumberedSectors(40000);
  std::stop_source stop;
  const auto outcome = Image(std::make_shared<StopDuringRead>(bytes, 22 * 5 + 7, stop), {0, 40000},
                             stop.get_token());
  ASSERT_TRUE(outcome.ok()) << outcome.error();
  EXPECT_TRUE(outcome.value().stopped);
  EXPECT_EQ(outcome.value().sectorsDone, 22u * 6) << "the chunk in hand is completed";
  const auto image = ReadWholeFile(imagePath);
  EXPECT_TRUE(image == std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 22 * 6 * 512));
  EXPECT_EQ(outcome.value().sha256, Sha256Of(image));
  EXPECT_EQ(status.grid.State(5), BlockState::Processed);
  EXPECT_EQ(status.grid.State(6), BlockState::Remaining);
  EXPECT_NE(Log().find("\nImage creation stopped\n"), std::string::npos);
  EXPECT_NE(MapFileText("memory", {0, 40000}, outcome.value()).find("0x00010800  0x01377800  ?"),
            std::string::npos)
      << "the part not copied is in the map";
  ExpectSourceUnchanged(reader, bytes);
}

TEST_F(ImageCreation, AFailedWriteIsAFailureNotASuccess) {
  const auto bytes = NumberedSectors(9000);
  reader = disk::DiskReader(std::make_shared<disk::MemorySource>(bytes));
  FailingDisk full(4000);
  const auto outcome =
      CreateImage({reader, "memory", {0, 9000}, "full.img"}, full, status, progress, {}, log);
  ASSERT_FALSE(outcome.ok());
  EXPECT_NE(outcome.error().find("No space left on device"), std::string::npos) << outcome.error();
  EXPECT_NE(Log().find("\nImage creation failed: "), std::string::npos);
  ExpectSourceUnchanged(reader, bytes);
}

}  // namespace
}  // namespace kestrel::imaging
