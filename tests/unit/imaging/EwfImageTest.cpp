// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "imaging/EwfImage.h"

namespace kestrel::imaging {
namespace {

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
