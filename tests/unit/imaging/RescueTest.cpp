// SPDX-License-Identifier: Apache-2.0
// Rescue imaging: the map's runs and its text in ddrescue's format, and runs over a source with
// scattered bad sectors and one bad area: what the image holds, what the map names, a stop and a
// resume that read no finished sector twice.
#include <map>

#include "ImagingSupport.h"
#include "app/LogReport.h"
#include "disk/MemorySource.h"
#include "imaging/RescueImaging.h"

namespace kestrel::imaging {
namespace {

using test::NumberedSectors;

constexpr std::uint64_t kSector = 512;

TEST(RescueMap, MarkingSplitsAndJoinsRunsOfOneStatus) {
  RescueMap map(100 * kSector);
  map.Mark(10 * kSector, 5 * kSector, BlockStatus::Finished);
  map.Mark(15 * kSector, 5 * kSector, BlockStatus::Finished);
  map.Mark(12 * kSector, kSector, BlockStatus::BadSector);
  map.Mark(90 * kSector, 50 * kSector, BlockStatus::NonTrimmed);  // cut at the end
  EXPECT_EQ(map.Blocks(),
            (std::vector<MapBlock>{{0, 10 * kSector, BlockStatus::NonTried},
                                   {10 * kSector, 2 * kSector, BlockStatus::Finished},
                                   {12 * kSector, kSector, BlockStatus::BadSector},
                                   {13 * kSector, 7 * kSector, BlockStatus::Finished},
                                   {20 * kSector, 70 * kSector, BlockStatus::NonTried},
                                   {90 * kSector, 10 * kSector, BlockStatus::NonTrimmed}}));
  map.Mark(0, 100 * kSector, BlockStatus::Finished);
  EXPECT_EQ(map.Blocks().size(), 1u);
  EXPECT_EQ(map.BytesWith(BlockStatus::Finished), 100 * kSector);
}

TEST(RescueMap, TheTextReadsBackAndWrongMapsAreRefused) {
  RescueMap map(64 * kSector);
  map.Mark(0, 8 * kSector, BlockStatus::Finished);
  map.Mark(8 * kSector, kSector, BlockStatus::BadSector);
  map.Mark(9 * kSector, 3 * kSector, BlockStatus::NonScraped);
  map.phase = RescuePhase::Scraping;
  map.currentPosition = 10 * kSector;
  const std::string text = map.Text("Source: test\nsecond line");
  EXPECT_NE(text.find("# Source: test\n# second line\n"), std::string::npos);
  EXPECT_NE(text.find("0x00001400     /               1\n"), std::string::npos);
  EXPECT_NE(text.find("0x00001000  0x00000200  -\n"), std::string::npos);

  const auto read = RescueMap::Parse(text, 64 * kSector);
  ASSERT_TRUE(read.ok()) << read.error();
  EXPECT_EQ(read.value().Blocks(), map.Blocks());
  EXPECT_EQ(read.value().phase, RescuePhase::Scraping);
  EXPECT_EQ(read.value().currentPosition, 10 * kSector);

  EXPECT_FALSE(RescueMap::Parse(text, 65 * kSector).ok()) << "another size of image";
  EXPECT_FALSE(RescueMap::Parse("", 64 * kSector).ok());
  EXPECT_FALSE(RescueMap::Parse("0 ? 1\n0 0x200 +\n0x400 0x7800 ?\n", 64 * kSector).ok())
      << "a gap between runs";
  EXPECT_FALSE(RescueMap::Parse("0 ? 1\n0 0x100 +\n0x100 0x7F00 ?\n", 64 * kSector).ok())
      << "runs not in whole sectors";
  EXPECT_FALSE(RescueMap::Parse("0 ? 1\n0 0x8000 x\n", 64 * kSector).ok()) << "no such status";
  EXPECT_FALSE(
      RescueMap::Parse("0 ? 1\n0 0x8000 +\n0x8000 0xFFFFFFFFFFFF8000 +\n0 0x8000 +\n", 64 * kSector)
          .ok())
      << "runs that wrap 64 bits back to the start";
}

// A source whose reads are counted per sector, with bad sectors.
class CountingFaultySource : public disk::FaultyMemorySource {
 public:
  using FaultyMemorySource::FaultyMemorySource;
  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    for (std::uint64_t s = 0; s < buffer.size() / kSector; ++s) reads[offset / kSector + s]++;
    return FaultyMemorySource::ReadSome(offset, buffer);
  }
  std::map<std::uint64_t, int> reads;
};

// An image in memory.
class MemoryImage : public platform::SectorWriter {
 public:
  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t> buffer) override {
    bytes.resize(std::max<std::size_t>(bytes.size(), (sector + count) * kSector));
    std::copy_n(buffer.begin(), count * kSector, bytes.begin() + sector * kSector);
    return true;
  }
  bool Flush() override { return true; }
  std::vector<std::uint8_t> bytes;
};

// Stops the run once the source has served that many reads.
class StopAfter : public app::ProgressObserver {
 public:
  StopAfter(std::stop_source& stop, const CountingFaultySource& source, std::size_t reads)
      : stop_(stop), source_(source), reads_(reads) {}
  void OnProgress(const app::Progress&) override {
    std::size_t total = 0;
    for (const auto& [sector, count] : source_.reads) total += count;
    if (total >= reads_) stop_.request_stop();
  }

 private:
  std::stop_source& stop_;
  const CountingFaultySource& source_;
  std::size_t reads_;
};

class Rescue : public ::testing::Test {
 protected:
  // 8 MiB: a hundredth of it, the largest skip, is no whole number of sectors.
  static constexpr std::uint64_t kSectors = 16384;

  Rescue() {
    for (std::uint64_t s : {5ull, 700ull, 701ull, 1500ull, 9001ull, 16383ull}) bad.insert(s);
    for (std::uint64_t s = 2000; s < 2300; ++s) bad.insert(s);  // a bad area
    source = std::make_shared<CountingFaultySource>(original, bad);
  }

  RescueJob Job() const {
    return {disk::DiskReader(source), "test", {0, kSectors}, (folder / "image.map").string()};
  }

  // Outside the bad sectors the image is the source; inside it holds zeros.
  void ExpectImageOfTheGoodSectors(const std::vector<std::uint8_t>& image) const {
    ASSERT_EQ(image.size(), original.size());
    for (std::uint64_t s = 0; s < kSectors; ++s) {
      const auto at = image.begin() + static_cast<std::ptrdiff_t>(s * kSector);
      if (bad.contains(s)) {
        ASSERT_TRUE(std::all_of(at, at + kSector, [](auto b) { return b == 0; })) << s;
      } else {
        ASSERT_TRUE(std::equal(at, at + kSector, original.begin() + s * kSector)) << s;
      }
    }
  }

  // The map's bad runs are exactly the bad sectors, and every other byte is finished.
  void ExpectMapOfTheBadSectors(const RescueMap& map) const {
    std::set<std::uint64_t> named;
    for (const MapBlock& block : map.Blocks()) {
      ASSERT_TRUE(block.status == BlockStatus::Finished || block.status == BlockStatus::BadSector);
      if (block.status != BlockStatus::BadSector) continue;
      for (std::uint64_t at = block.position; at < block.End(); at += kSector)
        named.insert(at / kSector);
    }
    EXPECT_EQ(named, bad);
    EXPECT_EQ(map.phase, RescuePhase::Finished);
  }

  test::ScratchFolder folder{"rescue"};
  app::LogReport log{(folder / "log.txt").string()};
  std::vector<std::uint8_t> original = NumberedSectors(kSectors);
  std::set<std::uint64_t> bad;
  std::shared_ptr<CountingFaultySource> source;
};

TEST_F(Rescue, GoodSectorsAreImagedAndTheMapNamesExactlyTheBadOnes) {
  MemoryImage image;
  app::NoProgress quiet;
  const auto outcome = RescueImage(Job(), RescueMap(kSectors * kSector), image, quiet, {}, log);
  ASSERT_TRUE(outcome.ok()) << outcome.error();
  EXPECT_FALSE(outcome.value().stopped);
  ExpectImageOfTheGoodSectors(image.bytes);
  ExpectMapOfTheBadSectors(outcome.value().map);
  EXPECT_EQ(outcome.value().UnreadBytes(), bad.size() * kSector);
  const CopyOutcome copy = AsCopyOutcome(outcome.value(), {0, kSectors});
  EXPECT_EQ(copy.unreadable.SectorCount(), bad.size());
  EXPECT_EQ(copy.bytesWritten, (kSectors - bad.size()) * kSector);
  EXPECT_EQ(RescueEndText(copy, "x.IMG"),
            "Image rescued: x.IMG, " + std::to_string(copy.bytesWritten) + " bytes read, " +
                std::to_string(bad.size()) +
                " sectors unreadable (zeros in the image; the map file lists them).");

  const auto written = LoadRescueMap(Job());
  ASSERT_TRUE(written.ok()) << written.error();
  EXPECT_EQ(written.value().Blocks(), outcome.value().map.Blocks()) << "the map file is the last";
  for (const auto& [sector, count] : source->reads) {
    if (!bad.contains(sector)) {
      EXPECT_LE(count, 2) << "good sector " << sector << " read after it was imaged";
    }
  }
}

TEST_F(Rescue, AStoppedRunResumedFromItsMapEndsAsAnUninterruptedOneAndRereadsNothingFinished) {
  MemoryImage image;
  for (const std::size_t stopAt : {10u, 60u, 400u, 900u}) {
    std::stop_source stop;
    StopAfter stopper(stop, *source, stopAt);
    auto map = LoadRescueMap(Job());
    const auto outcome = RescueImage(Job(), map.ok() ? map.value() : RescueMap(kSectors * kSector),
                                     image, stopper, stop.get_token(), log);
    ASSERT_TRUE(outcome.ok()) << outcome.error();
    ASSERT_TRUE(outcome.value().stopped) << "stopped after " << stopAt << " reads";
  }
  std::map<std::uint64_t, int> readsSoFar = source->reads;
  const auto finished = LoadRescueMap(Job());
  ASSERT_TRUE(finished.ok());
  app::NoProgress quiet;
  const auto last = RescueImage(Job(), finished.value(), image, quiet, {}, log);
  ASSERT_TRUE(last.ok()) << last.error();
  ExpectImageOfTheGoodSectors(image.bytes);
  ExpectMapOfTheBadSectors(last.value().map);
  for (const MapBlock& block : finished.value().Blocks()) {
    if (block.status != BlockStatus::Finished) continue;
    for (std::uint64_t at = block.position; at < block.End(); at += kSector)
      EXPECT_EQ(source->reads[at / kSector], readsSoFar[at / kSector]) << "finished sector reread";
  }
}

// A stopped rescue's map is resumed only onto the source and range it was made from; replacing
// the image starts a new map at once, so the old one never describes the new image.
TEST_F(Rescue, AMapIsResumedOnlyOntoItsOwnSourceAndReplacingStartsANewOne) {
  const std::string imagePath = (folder / "image.IMG").string();
  {
    auto start = StartRescue(Job(), imagePath);
    ASSERT_TRUE(start.ok()) << start.error();
    std::stop_source stop;
    StopAfter stopper(stop, *source, 50);
    ASSERT_TRUE(RescueImage(Job(), std::move(start.value().map), *start.value().image.writer,
                            stopper, stop.get_token(), log)
                    .ok());
  }
  const std::string stoppedMap = test::ReadFileText(Job().mapPath);
  RescueJob other = Job();
  other.sourceName = "other disk";
  const auto refused = StartRescue(other, imagePath);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().find("Source: test, sectors 0 to 16384"), std::string::npos)
      << refused.error();
  EXPECT_NE(refused.error().find("Source: other disk, sectors 0 to 16384"), std::string::npos);
  RescueJob shifted = Job();
  shifted.range = {1, kSectors + 1};
  EXPECT_FALSE(StartRescue(shifted, imagePath).ok()) << "a range of the same length elsewhere";
  EXPECT_EQ(test::ReadFileText(Job().mapPath), stoppedMap) << "a refused map is kept";

  const auto resumed = StartRescue(Job(), imagePath);
  ASSERT_TRUE(resumed.ok());
  EXPECT_TRUE(resumed.value().resuming);
  const auto replaced = StartRescue(other, imagePath, ExistingRescue::Replace);
  ASSERT_TRUE(replaced.ok()) << replaced.error();
  EXPECT_FALSE(replaced.value().resuming);
  EXPECT_EQ(replaced.value().map.BytesWith(BlockStatus::NonTried), kSectors * kSector);
  EXPECT_NE(test::ReadFileText(Job().mapPath).find("Source: other disk"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(imagePath), 0u) << "the old image's data are gone";
}

TEST_F(Rescue, MoreRetriesReadASectorThatComesBack) {
  // A sector that fails twice and then reads, as a weak sector does.
  class Weak : public CountingFaultySource {
   public:
    using CountingFaultySource::CountingFaultySource;
    std::optional<std::size_t> ReadSome(std::int64_t offset,
                                        std::span<std::uint8_t> buffer) override {
      if (offset / kSector == 5 && buffer.size() == kSector && ++tries > 2)
        return MemorySource::ReadSome(offset, buffer);
      return CountingFaultySource::ReadSome(offset, buffer);
    }
    int tries = 0;
  };
  source = std::make_shared<Weak>(original, bad);
  RescueJob job = Job();
  job.retries = 2;
  MemoryImage image;
  app::NoProgress quiet;
  const auto outcome = RescueImage(job, RescueMap(kSectors * kSector), image, quiet, {}, log);
  ASSERT_TRUE(outcome.ok());
  bad.erase(5);
  ExpectImageOfTheGoodSectors(image.bytes);
  ExpectMapOfTheBadSectors(outcome.value().map);
}

}  // namespace
}  // namespace kestrel::imaging
