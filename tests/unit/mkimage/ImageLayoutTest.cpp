// SPDX-License-Identifier: Apache-2.0
// Whole images: the manifest agrees with the bytes, the images are reproducible and sparse, and
// the pool-level features (segments, extra super blocks, deleted volumes, loose blocks, bulk
// content) land where the layout puts them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <set>

#include "DemoLayout.h"
#include "LayoutParser.h"
#include "ScratchImages.h"

namespace kestrel::mkimage::testing {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::int64_t kSector = 512;
constexpr std::uint32_t kNoBlock = 0x80000000;

std::int64_t BlockOffset(const Json& pool, std::uint64_t block) {
  return pool["poolBase"].get<std::int64_t>() + (static_cast<std::int64_t>(block) - 1) * 4096;
}

std::uint64_t BlockOf(const Json& pool, std::int64_t offset) {
  return static_cast<std::uint64_t>((offset - pool["poolBase"].get<std::int64_t>()) / 4096 + 1);
}

// Record offsets of a chain of layout-B tree blocks, following the links.
std::vector<std::int64_t> ChainRecords(const Bytes& disk, const Json& pool, std::uint32_t block) {
  std::vector<std::int64_t> records;
  for (; block != kNoBlock;
       block = static_cast<std::uint32_t>(Le(disk, BlockOffset(pool, block) + 0x20, 4))) {
    const std::int64_t area = BlockOffset(pool, block) + 0x28;
    EXPECT_EQ(Text(disk, area - 0x28, 4), "LEAF");
    for (std::int64_t h = 0; h < 3600 && Le(disk, area + h, 2) != 0; h += Le(disk, area + h, 2)) {
      records.push_back(area + h);
    }
  }
  return records;
}

TEST(Images, TheSameLayoutGivesTheSameBytes) {
  ScratchDir first;
  ScratchDir second;
  Result<BuiltImages> a = Build(first, DemoLayoutJson());
  Result<BuiltImages> b = Build(second, DemoLayoutJson());
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->disks.size(), 2u);
  EXPECT_TRUE(a->disks == b->disks);
  EXPECT_EQ(a->manifest, b->manifest);
}

void ExpectPartitionHeaders(const Bytes& disk, const Json& partitions) {
  for (std::size_t i = 0; i < partitions.size(); ++i) {
    const std::int64_t header = partitions[i]["headerSector"].get<std::int64_t>() * kSector;
    EXPECT_EQ(Text(disk, header, 13), "\x01Nw_PaRtItIoN");
    EXPECT_EQ(Le(disk, header + 0x14, 4), partitions[i]["sizeSectors"]);
    const auto next =
        i + 1 < partitions.size() ? partitions[i + 1]["headerSector"].get<std::uint64_t>() : 0;
    EXPECT_EQ(Le(disk, header + 0xBC, 4), next);
    EXPECT_EQ(partitions[i]["link"], next);
  }
}

void ExpectPoolRecords(const Bytes& disk, const Json& pool) {
  const std::int64_t base = pool["poolBase"];
  EXPECT_EQ(Text(disk, base, 4), "SPB5");
  EXPECT_EQ(Le(disk, base + 0xBC, 8), pool["anchorBlock"]);
  for (const Json& volume : pool["volumes"]) {
    const std::int64_t record = volume["recordOffset"];
    EXPECT_EQ(Text(disk, record + 2, 3), "ND3");
    EXPECT_EQ(std::to_string(Le(disk, record + 8, 8)), volume["key"]);
    EXPECT_EQ(Le(disk, BlockOffset(pool, volume["rootBlock"]) + 0x20, 4), volume["firstLeafBlock"]);
    for (const Json& entry : volume["entries"]) {
      const std::int64_t at = entry["recordOffset"];
      EXPECT_EQ(Text(disk, at + 2, 2), "ND") << entry["path"];
      EXPECT_EQ(std::to_string(Le(disk, at + 8, 8)), entry["key"]) << entry["path"];
      EXPECT_EQ(Le(disk, at + 0x18, 8), entry["size"]) << entry["path"];
    }
  }
}

TEST(Images, TheManifestAgreesWithTheDemoBytes) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, DemoLayoutJson());
  ASSERT_TRUE(built) << built.error().message;
  const Bytes& disk = built->disks[0];
  const Json& partitions = built->manifest["disks"][0]["partitions"];
  EXPECT_EQ(Text(disk, 0, 8), std::string("\xEB\x71\x90GMBR\0", 8));
  EXPECT_EQ(Le(disk, 0x1D6, 4), partitions[0]["headerSector"]);
  EXPECT_EQ(Le(disk, 0x1FE, 2), 0xAA55u);
  ExpectPartitionHeaders(disk, partitions);
  for (const Json& partition : partitions) {
    if (partition.contains("pool")) ExpectPoolRecords(disk, partition["pool"]);
  }
  const Bytes& second = built->disks[1];
  EXPECT_EQ(second.size(), 8u << 20);
  EXPECT_EQ(Le(second, 0, 8), 0u) << "no NetWare boot signature";
  EXPECT_EQ(Le(second, 0x1FE, 2), 0xAA55u);
  ExpectPartitionHeaders(second, built->manifest["disks"][1]["partitions"]);
}

TEST(Images, AChildListedBeforeItsFolderLandsBeforeItAndAMissingFolderIsMade) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, OneVolumeLayout(R"(
      {"path": "/D/a.txt", "content": "a"}, {"path": "/D", "kind": "folder"},
      {"path": "/X/y.txt", "content": "y"},
      {"path": "/G", "kind": "folder", "deleted": true}, {"path": "/G/old.txt", "content": "o"})"));
  ASSERT_TRUE(built) << built.error().message;
  const Json& child = EntryAt(built->manifest, "/D/a.txt");
  const Json& folder = EntryAt(built->manifest, "/D");
  EXPECT_EQ(child["parentKey"], folder["key"]);
  EXPECT_LT(child["recordOffset"], folder["recordOffset"]);
  const Json& made = EntryAt(built->manifest, "/X");
  EXPECT_EQ(made["kind"], "folder");
  EXPECT_EQ(EntryAt(built->manifest, "/X/y.txt")["parentKey"], made["key"]);
  EXPECT_EQ(EntryAt(built->manifest, "/G")["key"], "18446744073709551615");
  EXPECT_EQ(EntryAt(built->manifest, "/G/old.txt")["parentKey"], "18446744073709551615");
}

TEST(PoolImage, IsThePoolsPartitionFromItsHeader) {
  ScratchDir scratch;
  Result<BuiltImages> disk = Build(scratch, DemoLayoutJson());
  ASSERT_TRUE(disk);
  Result<Layout> layout = ParseLayout(DemoLayoutJson());
  ASSERT_TRUE(layout);
  const std::string path = scratch.path("archive.pool");
  ASSERT_TRUE(BuildImages(*layout, {{path}, "ARCHIVE"}));
  const Bytes pool = ReadFile(path);
  const Json& partition = disk->manifest["disks"][0]["partitions"][1];
  ASSERT_EQ(partition["pool"]["name"], "ARCHIVE");
  const std::int64_t start = partition["headerSector"].get<std::int64_t>() * kSector;
  ASSERT_EQ(pool.size(), partition["sizeSectors"].get<std::size_t>() * kSector);
  EXPECT_EQ(Text(pool, 0, 13), "\x01Nw_PaRtItIoN");
  EXPECT_TRUE(std::equal(pool.begin(), pool.end(), disk->disks[0].begin() + start));
}

TEST(Images, ALargeImageWithLittleContentIsWrittenSparseAndFast) {
  ScratchDir scratch;
  const std::string layout = R"({"disks": [{"sizeMiB": 4096, "partitions": [{"sizeSectors": 8000000,
      "pool": {"name": "BIG", "volumes": [{"names": ["V"], "entries": [
        {"path": "/disk.iso", "size": 3000000000, "sparse": true}, {"path": "/a.txt", "content": "a"}]}]}}]}]})";
  Result<Layout> parsed = ParseLayout(layout);
  ASSERT_TRUE(parsed);
  const std::string path = scratch.path("big.img");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(BuildImages(*parsed, {{path}, std::nullopt}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_size, 4LL << 30);
  EXPECT_LT(status.st_blocks * 512, 4 << 20) << "only the structures take space";
}

TEST(Images, APartitionWithoutASizeGrowsToItsPoolsContent) {
  ScratchDir scratch;
  Result<Layout> layout = ParseLayout(R"({"disks": [{"partitions": [
      {"pool": {"name": "SMALL", "volumes": [{"names": ["V"]}]}},
      {"pool": {"name": "LARGE", "volumes": [{"names": ["V"], "entries": [
        {"path": "/disk.vhd", "size": 100000000, "sparse": true}]}]}},
      {}]}]})");
  ASSERT_TRUE(layout);
  Result<Manifest> manifest = BuildImages(*layout, {{scratch.path("disk.img")}, std::nullopt});
  ASSERT_TRUE(manifest) << manifest.error().message;
  const std::vector<ManifestPartition>& partitions = manifest->disks[0].partitions;
  EXPECT_EQ(partitions[0].sizeSectors, 65536u);
  EXPECT_EQ(partitions[2].sizeSectors, 65536u);
  EXPECT_GT(partitions[1].sizeSectors, 100000000u / 512);
  EXPECT_EQ(partitions[1].sizeSectors % 2048, 0u);
  EXPECT_EQ(partitions[2].headerSector, partitions[1].headerSector + partitions[1].sizeSectors);
}

TEST(Damage, ZeroBootSectorTruncationAndBrokenLinks) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, R"({"disks": [
      {"damage": {"zeroBootSector": true, "truncateBytes": 3000000},
       "partitions": [{"sizeSectors": 2048, "link": 12345}, {"sizeSectors": 2048}]}]})");
  ASSERT_TRUE(built) << built.error().message;
  const Bytes& disk = built->disks[0];
  EXPECT_EQ(disk.size(), 3000000u);
  EXPECT_EQ(built->manifest["disks"][0]["sizeBytes"], 3000000);
  EXPECT_TRUE(std::all_of(disk.begin(), disk.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(Le(disk, 2048 * kSector + 0xBC, 4), 12345u);
  EXPECT_EQ(Text(disk, 4096 * kSector, 13), "\x01Nw_PaRtItIoN");
}

TEST(MultiSegmentPool, GroupHeadersChainTheSegmentsAndBlocksKeepThePoolsNumbering) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, R"({"disks": [{"partitions": [
      {"sizeSectors": 4096, "pool": {"name": "P", "volumes": [
        {"names": ["S"], "placement": "segment", "entries": [{"path": "/a.txt", "content": "a"}]}]}},
      {"sizeSectors": 1000, "segmentOf": "P"}]}]})");
  ASSERT_TRUE(built) << built.error().message;
  const Bytes& disk = built->disks[0];
  const Json& partitions = built->manifest["disks"][0]["partitions"];
  const std::int64_t pool = 2048 * kSector;
  const std::int64_t segment = (2048 + 4096) * kSector;
  EXPECT_EQ(Text(disk, pool + 5 * kSector, 16), std::string("\0GrOuPPaRtItIoN\0", 16));
  EXPECT_EQ(Le(disk, pool + 5 * kSector + 0xBC, 4), 2048u + 4096 + 5);
  EXPECT_EQ(Le(disk, pool + 34 * kSector + 0x20, 8), 4096u - 5);
  EXPECT_EQ(Text(disk, segment + 5 * kSector, 16), std::string("\0GrOuPPaRtItIoN\0", 16));
  EXPECT_EQ(Le(disk, segment + 5 * kSector + 0xBC, 4), 0u);
  EXPECT_EQ(Le(disk, segment + 34 * kSector + 0x20, 8), 1000u - 5);
  EXPECT_EQ(Text(disk, segment + 34 * kSector + 0x28, 4), std::string("P\0\0\0", 4));
  EXPECT_NE(Text(disk, segment + 0x5000, 4), "SPB5");
  const std::int64_t root =
      BlockOffset(partitions[0]["pool"], partitions[0]["pool"]["volumes"][0]["rootBlock"]);
  EXPECT_GE(root, segment + 35 * kSector);
  EXPECT_LT(root, segment + 1000 * kSector);
}

TEST(SuperBlocks, ExtraCopiesComeLaterAndAMissingSignatureIsLeftOut) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, R"({"disks": [{"partitions": [
      {"sizeSectors": 4096, "pool": {"name": "P", "extraSuperBlocks": 2}},
      {"sizeSectors": 4096, "pool": {"name": "Q", "superBlock": false, "extraSuperBlocks": 1}},
      {"sizeSectors": 100}]}]})");
  ASSERT_TRUE(built) << built.error().message;
  const Json& p = built->manifest["disks"][0]["partitions"][0]["pool"];
  ASSERT_EQ(p["superBlockOffsets"].size(), 3u);
  EXPECT_EQ(p["superBlockOffsets"][0], p["poolBase"]);
  for (const Json& offset : p["superBlockOffsets"]) {
    EXPECT_EQ(Text(built->disks[0], offset.get<std::int64_t>(), 4), "SPB5");
    EXPECT_GE(offset, p["poolBase"]);
  }
  const Json& q = built->manifest["disks"][0]["partitions"][1]["pool"];
  EXPECT_EQ(q["superBlockOffsets"].size(), 1u);
  EXPECT_NE(Text(built->disks[0], q["poolBase"].get<std::int64_t>(), 4), "SPB5");
  EXPECT_EQ(Text(built->disks[0], q["poolBase"].get<std::int64_t>() + 0xCC, 4),
            std::string("Q\0\0\0", 4));
}

TEST(VolumeDirectory, ListsLiveVolumesAfterLogicalVolumesAndHidesDeletedOnes) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, R"({"disks": [{"partitions": [
      {"sizeSectors": 4096, "pool": {"name": "P", "volumes": [
        {"names": ["LIVE"]}, {"names": ["GONE"], "deleted": true,
         "entries": [{"path": "/a.txt", "content": "a"}]}]}}]}]})");
  ASSERT_TRUE(built) << built.error().message;
  const Bytes& disk = built->disks[0];
  const Json& pool = built->manifest["disks"][0]["partitions"][0]["pool"];
  const auto first =
      static_cast<std::uint32_t>(Le(disk, BlockOffset(pool, pool["anchorBlock"]) + 0x20, 4));
  const std::vector<std::int64_t> listed = ChainRecords(disk, pool, first);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(Le(disk, listed[0] + 0x7C, 2), 14u) << "LogicalVolumes";
  EXPECT_EQ(listed[1], pool["volumes"][0]["recordOffset"]);
  const std::int64_t hidden = pool["volumes"][1]["recordOffset"];
  EXPECT_EQ(Text(disk, hidden + 2, 3), "ND3");
  EXPECT_EQ(Text(disk, BlockOffset(pool, BlockOf(pool, hidden)), 4), "LEAF");
  EXPECT_NE(BlockOf(pool, hidden), BlockOf(pool, listed[1])) << "outside the directory chain";
  const Json& gone = pool["volumes"][1];
  EXPECT_EQ(ChainRecords(disk, pool, gone["firstLeafBlock"]).size(), 1u);
}

TEST(LooseBlocks, SitAtTheirOffsetWithTheirVolumesId) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, R"({"disks": [{"partitions": [
      {"sizeSectors": 8192, "pool": {"name": "P", "volumes": [
        {"names": ["V"], "entries": [{"path": "/D", "kind": "folder"}]}],
       "looseBlocks": [{"offset": 1048064, "volume": "V",
                        "entries": [{"path": "/D/lost.txt", "content": "lost"}]}]}}]}]})");
  ASSERT_TRUE(built) << built.error().message;
  const Bytes& disk = built->disks[0];
  const std::int64_t block = 2048 * kSector + 1048064;
  EXPECT_EQ(Text(disk, block, 4), "LEAF");
  const Json& volume = built->manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0];
  EXPECT_EQ(std::to_string(Le(disk, block + 0x10, 8)), volume["volumeId"]);
  const Json& lost = EntryAt(built->manifest, "/D/lost.txt");
  EXPECT_TRUE(lost["loose"]);
  EXPECT_EQ(lost["recordOffset"], block + 0x28);
  EXPECT_EQ(lost["parentKey"], EntryAt(built->manifest, "/D")["key"]);
}

TEST(GeneratedEntries, SpreadFilesRoundRobinOverTheFoldersAndShareOneExtent) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(
      scratch,
      OneVolumeLayout(
          "",
          R"("generate": {"folders": 3, "files": 200, "fileSize": 5000, "sharedData": true},)"));
  ASSERT_TRUE(built) << built.error().message;
  const Json& pool = built->manifest["disks"][0]["partitions"][0]["pool"];
  const Json& volume = pool["volumes"][0];
  EXPECT_EQ(volume["generated"]["folders"], 3);
  EXPECT_EQ(volume["generated"]["files"], 200);
  EXPECT_TRUE(volume["entries"].empty());
  const std::vector<std::int64_t> records =
      ChainRecords(built->disks[0], pool, volume["firstLeafBlock"]);
  ASSERT_EQ(records.size(), 203u);
  const Bytes& disk = built->disks[0];
  std::set<std::uint64_t> starts;
  for (std::size_t i = 3; i < records.size(); ++i) {
    const std::uint64_t folderKey = Le(disk, records[(i - 3) % 3] + 8, 8);
    EXPECT_EQ(Le(disk, records[i] + 0x64 + 7, 8), folderKey) << "file " << i - 3;
    EXPECT_EQ(Le(disk, records[i] + 0x58, 4), 2u) << "5000 bytes take 2 blocks";
    starts.insert(Le(disk, records[i] + 0x5C, 4));
  }
  EXPECT_EQ(starts.size(), 1u);
}

}  // namespace
}  // namespace kestrel::mkimage::testing
