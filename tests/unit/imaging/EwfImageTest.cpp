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

}  // namespace
}  // namespace kestrel::imaging
