// SPDX-License-Identifier: Apache-2.0
// Where a disk is, as the media page and `disks` show it beside its logical name.
#include <gtest/gtest.h>

#include "disk/DiskWhereabouts.h"

namespace kestrel::disk {
namespace {

TEST(DiskWhereabouts, TextLeavesOutWhatIsNotKnown) {
  EXPECT_EQ(WhereaboutsText({"\\\\.\\PhysicalDrive1", "/dev/sdb", "ST3500418AS", "465.76 GB"}),
            "\\\\.\\PhysicalDrive1  /dev/sdb  ST3500418AS  465.76 GB");
  EXPECT_EQ(WhereaboutsText({"", "/images/disk0.img", "", "20.00 MB"}),
            "/images/disk0.img  20.00 MB");
}

TEST(DiskWhereabouts, AnImageOpenedByItsPathIsItsOwnDevice) {
  DiskEntry image;
  image.node.sourcePath = "/images/pool.img";
  image.sectorCount = 2048;
  const DiskWhereabouts where = LocateDisk(image);
  EXPECT_EQ(where.logicalName, "");
  EXPECT_EQ(where.devicePath, "/images/pool.img");
  EXPECT_EQ(where.size, "1.00 MB");
}

}  // namespace
}  // namespace kestrel::disk
