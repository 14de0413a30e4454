// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/EwfImage.h"

namespace kestrel::imaging {
namespace {

namespace fs = std::filesystem;

// The files the writer had synced, as it named them.
std::vector<std::string> synced;

// A set of 1 MiB segments, written whole and finished with the sync given: what Finish said.
app::Result<EwfDigests> WriteSetOfThreeMebibytes(const fs::path& folder, SegmentSync sync) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  EwfSettings settings;
  settings.compression = EwfCompression::None;
  settings.segmentBytes = kSmallestEwfSegmentBytes;
  auto writer = CreateEwfWriter((folder / "set").string(), settings, sync);
  if (!writer.ok()) return app::Failure{writer.error()};
  std::vector<std::uint8_t> data(std::size_t{3} << 20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  if (!writer.value()->WriteSectors(0, static_cast<std::uint32_t>(data.size() / 512), data) ||
      !writer.value()->Flush())
    return app::Failure{"the data was not written"};
  return writer.value()->Finish({});
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(EwfImage, EverySegmentIsSyncedBeforeTheSetIsSaidComplete) {
  if (!WritesEwf()) GTEST_SKIP() << "this build writes raw images only";
  const fs::path folder = fs::temp_directory_path() / "kestrel-ewf-synced";
  synced.clear();
  const auto finished = WriteSetOfThreeMebibytes(folder, [](const std::string& path) {
    synced.push_back(path);
    return true;
  });
  ASSERT_TRUE(finished.ok()) << finished.error();
  const std::vector<std::string> segments = FilesIn(folder);
  EXPECT_GE(segments.size(), 3u) << "segments of 1 MiB";
  std::sort(synced.begin(), synced.end());
  EXPECT_EQ(synced, segments);
  fs::remove_all(folder);
}

TEST(EwfImage, ASegmentTheStorageCannotKeepFailsTheSet) {
  if (!WritesEwf()) GTEST_SKIP() << "this build writes raw images only";
  const fs::path folder = fs::temp_directory_path() / "kestrel-ewf-unsynced";
  const auto finished = WriteSetOfThreeMebibytes(folder, [](const std::string&) { return false; });
  ASSERT_FALSE(finished.ok());
  EXPECT_NE(finished.error().find("set.E01: cannot be kept on the storage"), std::string::npos)
      << finished.error();
  fs::remove_all(folder);
}

TEST(EwfImage, TheFirstSegmentEndsInE01WhateverCaseWasTyped) {
  EXPECT_EQ(EwfFirstSegmentPath("/cases/server"), "/cases/server.E01");
  EXPECT_EQ(EwfFirstSegmentPath("/cases/server.E01"), "/cases/server.E01");
  EXPECT_EQ(EwfFirstSegmentPath("/cases/server.e01"), "/cases/server.E01");
  EXPECT_EQ(EwfFirstSegmentPath("/cases/server.img"), "/cases/server.img.E01");
  EXPECT_EQ(EwfFirstSegmentPath(".E01"), ".E01.E01");
}

TEST(EwfImage, CompressionByItsName) {
  EXPECT_EQ(ParseEwfCompression("none"), EwfCompression::None);
  EXPECT_EQ(ParseEwfCompression("fast"), EwfCompression::Fast);
  EXPECT_EQ(ParseEwfCompression("best"), EwfCompression::Best);
  EXPECT_EQ(ParseEwfCompression("Best"), std::nullopt);
}

TEST(EwfImage, SegmentSizesBelowOneMebibyteAreRefused) {
  EXPECT_EQ(ParseEwfSegmentSize("650m").value(), 650u << 20);
  EXPECT_EQ(ParseEwfSegmentSize("1048576").value(), 1u << 20);
  EXPECT_FALSE(ParseEwfSegmentSize("1048575").ok());
  EXPECT_EQ(ParseEwfSegmentSize("2x").error(),
            "a segment size of at least 1m, such as 650m or 2g, not 2x");
}

TEST(EwfImage, OnlyACompressedEvidenceFileStartsWithoutRoomForTheWholeRange) {
  EXPECT_TRUE(NeedsRoomForWholeRange(std::nullopt));
  EXPECT_TRUE(
      NeedsRoomForWholeRange(EwfSettings{.fields = {}, .compression = EwfCompression::None}));
  EXPECT_FALSE(
      NeedsRoomForWholeRange(EwfSettings{.fields = {}, .compression = EwfCompression::Fast}));
}

}  // namespace
}  // namespace kestrel::imaging
