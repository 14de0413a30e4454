// SPDX-License-Identifier: Apache-2.0
// The expected recovery output: exact bytes of every file entry, the same bytes the image holds
// at the entry's extents.
#include <gtest/gtest.h>

#include <filesystem>

#include "ExpectedFiles.h"
#include "LayoutParser.h"
#include "ScratchImages.h"

namespace kestrel::mkimage::testing {
namespace {

using Json = nlohmann::ordered_json;

struct Written {
  Bytes disk;
  Json manifest;
};

// Builds the layout into `scratch` ("disk0.img") with its expected files under "expect".
Result<Written> BuildWithExpected(const ScratchDir& scratch, const std::string& layoutJson) {
  Result<Layout> layout = ParseLayout(layoutJson);
  if (!layout) return layout.error();
  Result<Manifest> manifest = BuildImages(*layout, {{scratch.path("disk0.img")}, std::nullopt});
  if (!manifest) return manifest.error();
  if (Status status = WriteExpectedFiles(*manifest, scratch.path("expect")); !status) {
    return status.error();
  }
  return Written{ReadFile(scratch.path("disk0.img")), ManifestToJson(*manifest)};
}

// The file's bytes as its extents hold them in the image, cut to its size.
Bytes DataAtExtents(const Bytes& disk, const Json& pool, const Json& entry) {
  Bytes data;
  std::uint64_t blocksBefore = 0;
  for (const Json& extent : entry["extents"]) {
    const std::uint64_t total = extent[0];
    const std::int64_t start =
        pool["poolBase"].get<std::int64_t>() + (extent[1].get<std::int64_t>() - 1) * 4096;
    data.insert(data.end(), disk.begin() + start,
                disk.begin() + start + (total - blocksBefore) * 4096);
    blocksBefore = total;
  }
  data.resize(entry["size"]);
  return data;
}

TEST(ExpectedFiles, HoldTheExactBytesThatTheExtentsHold) {
  ScratchDir scratch;
  Result<Written> written = BuildWithExpected(scratch, OneVolumeLayout(R"(
      {"path": "/DOCS/readme.txt", "content": "hello\r\n"},
      {"path": "/DOCS/report.doc", "size": 30000, "extents": 3},
      {"path": "/DOCS/old.doc", "size": 5000, "deleted": true},
      {"path": "/PICS/logo.bmp", "generator": "bmp", "width": 33, "height": 7},
      {"path": "/PICS/plan.png", "generator": "png", "width": 300, "height": 80})"));
  ASSERT_TRUE(written) << written.error().message;
  const Json& pool = written->manifest["disks"][0]["partitions"][0]["pool"];
  for (const char* path : {"/DOCS/readme.txt", "/DOCS/report.doc", "/DOCS/old.doc",
                           "/PICS/logo.bmp", "/PICS/plan.png"}) {
    const Bytes expected = ReadFile(scratch.path(std::string("expect/P/V") + path));
    EXPECT_EQ(expected, DataAtExtents(written->disk, pool, EntryAt(written->manifest, path)))
        << path;
  }
  EXPECT_EQ(ReadFile(scratch.path("expect/P/V/DOCS/readme.txt")),
            Bytes({'h', 'e', 'l', 'l', 'o', '\r', '\n'}));
  const Bytes bmp = ReadFile(scratch.path("expect/P/V/PICS/logo.bmp"));
  ASSERT_EQ(bmp.size(), 54u + 100 * 7) << "rows of 33 pixels pad to 100 bytes";
  EXPECT_EQ(Text(bmp, 0, 2), "BM");
  EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
  // Signature, IHDR, an IDAT of 80 rows of 1 + 900 bytes in 2 stored blocks, IEND.
  const Bytes png = ReadFile(scratch.path("expect/P/V/PICS/plan.png"));
  ASSERT_EQ(png.size(), 8u + 25 + 12 + 2 + 2 * 5 + 80 * 901 + 4 + 12);
  EXPECT_EQ(Text(png, 1, 3), "PNG");
  EXPECT_EQ(Text(png, 12, 4), "IHDR");
  EXPECT_EQ(png[19], 300 % 256);
  EXPECT_EQ(Text(png, png.size() - 8, 4), "IEND");
}

TEST(ExpectedFiles, SplitDataIntoExtentsWithAGapBetweenNeighbours) {
  ScratchDir scratch;
  Result<Written> written =
      BuildWithExpected(scratch, OneVolumeLayout(R"({"path": "/f", "size": 30000, "extents": 3})"));
  ASSERT_TRUE(written) << written.error().message;
  const Json& extents = EntryAt(written->manifest, "/f")["extents"];
  ASSERT_EQ(extents.size(), 3u);
  // 8 blocks as 3 + 3 + 2; each block value is the running total.
  EXPECT_EQ(extents[0][0], 3);
  EXPECT_EQ(extents[1][0], 6);
  EXPECT_EQ(extents[2][0], 8);
  EXPECT_GT(extents[1][1], extents[0][1].get<int>() + 3);
  EXPECT_GT(extents[2][1], extents[1][1].get<int>() + 3);
}

TEST(ExpectedFiles, LeaveOutSkippedRecordsAndAddSecondNames) {
  ScratchDir scratch;
  Result<Written> written = BuildWithExpected(scratch, OneVolumeLayout(R"(
      {"path": "/a.txt", "content": "a", "skip": true},
      {"path": "/b.txt", "content": "bb", "form": "form2", "secondName": "c.txt", "stage": 2},
      {"path": "/empty", "kind": "folder"})"));
  ASSERT_TRUE(written) << written.error().message;
  EXPECT_FALSE(std::filesystem::exists(scratch.path("expect/P/V/a.txt")));
  EXPECT_EQ(ReadFile(scratch.path("expect/P/V/c.txt")), Bytes({'b', 'b'}));
  EXPECT_TRUE(std::filesystem::is_directory(scratch.path("expect/P/V/empty")));
  EXPECT_TRUE(EntryAt(written->manifest, "/a.txt")["skipped"]);
  EXPECT_TRUE(EntryAt(written->manifest, "/a.txt")["extents"].empty());
}

TEST(ExpectedFiles, RejectTwoEntriesAtOnePath) {
  ScratchDir scratch;
  Result<Written> written = BuildWithExpected(scratch, OneVolumeLayout(R"(
      {"path": "/a.txt", "content": "old", "deleted": true}, {"path": "/a.txt", "content": "new"})"));
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().message.find("two entries would be written to"), std::string::npos);
}

TEST(GeneratedContent, NeverStartsASectorLikeAStructure) {
  const FileContent content = FileContent::Generated(12345, 1 << 22);
  Bytes data(1 << 22);
  content.read(0, data);
  for (std::size_t at = 0; at < data.size(); at += 512) {
    EXPECT_NE(data[at], 'L');
    EXPECT_NE(data[at], 'S');
    EXPECT_NE(data[at], 0x01);
  }
  Bytes piece(100);
  content.read(1000, piece);
  EXPECT_TRUE(std::equal(piece.begin(), piece.end(), data.begin() + 1000))
      << "reads at any offset agree";
}

}  // namespace
}  // namespace kestrel::mkimage::testing
