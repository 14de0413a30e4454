// SPDX-License-Identifier: Apache-2.0
// The media page's panels and its Continue button, entry by entry.
#include <gtest/gtest.h>

#include "disk/MediaPage.h"

namespace kestrel::disk {
namespace {

TEST(MediaPage, RootShowsTheOpeningTextsAndLeadsNowhere) {
  const PanelTexts root = PanelTextsFor(MediaEntryKind::Root);
  EXPECT_EQ(root.heading, "Recover Data ");
  EXPECT_EQ(root.note, "This will start scanning Process to recover Data.");
  EXPECT_TRUE(root.description.starts_with(
      "Tree on the left displays available physical media connected to the system."));
  EXPECT_FALSE(ContinueEnabled(MediaEntryKind::Root));
  EXPECT_EQ(ScanPageFor(MediaEntryKind::Root), ScanPage::None);
}

TEST(MediaPage, EachEntryDescribesTheScanItLeadsTo) {
  EXPECT_EQ(PanelTextsFor(MediaEntryKind::Disk).heading, "Scan Disk");
  EXPECT_EQ(PanelTextsFor(MediaEntryKind::Pool).instruction,
            "This Scan is particularly useful in recovering data from deleted volume.");
  EXPECT_EQ(PanelTextsFor(MediaEntryKind::Volume).heading, "Scan Volume");
  EXPECT_EQ(PanelTextsFor(MediaEntryKind::Volume).note, "") << "the volume has no note";
  for (const auto kind : {MediaEntryKind::Disk, MediaEntryKind::Pool, MediaEntryKind::Volume})
    EXPECT_TRUE(ContinueEnabled(kind));
  EXPECT_EQ(ScanPageFor(MediaEntryKind::Disk), ScanPage::DiskScan);
  EXPECT_EQ(ScanPageFor(MediaEntryKind::Pool), ScanPage::PoolScan);
  EXPECT_EQ(ScanPageFor(MediaEntryKind::Volume), ScanPage::VolumeScan);
}

}  // namespace
}  // namespace kestrel::disk
