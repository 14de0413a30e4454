// SPDX-License-Identifier: Apache-2.0
// The destination dialog: when OK may be pressed, and the room test of a chosen folder.
#include <gtest/gtest.h>

#include <limits>

#include "destination/DestinationDialog.h"
#include "support/Files.h"

namespace kestrel::destination {
namespace {

TEST(DestinationDialog, OkFollowsTheEditOfTheChosenKind) {
  EXPECT_TRUE(DestinationOkEnabled(DestinationKind::LocalDrive, "/tmp/out", ""));
  EXPECT_FALSE(DestinationOkEnabled(DestinationKind::LocalDrive, "", "ftp.example/in"));
  EXPECT_TRUE(DestinationOkEnabled(DestinationKind::FtpServer, "", "ftp.example/in"));
  EXPECT_FALSE(DestinationOkEnabled(DestinationKind::FtpServer, "/tmp/out", ""));
}

TEST(FtpDialogs, SettingsNeedServerUserAndPassword) {
  EXPECT_TRUE(FtpSettingsComplete("ftp.example", "admin", "secret"));
  EXPECT_FALSE(FtpSettingsComplete("", "admin", "secret"));
  EXPECT_FALSE(FtpSettingsComplete("ftp.example", "", "secret"));
  EXPECT_FALSE(FtpSettingsComplete("ftp.example", "admin", ""));
}

TEST(FtpDialogs, BrowserPathsStartAtTheTop) {
  EXPECT_EQ(FtpTreePath({}), "/");
  EXPECT_EQ(FtpTreePath({"a"}), "/a");
  EXPECT_EQ(FtpTreePath({"a", "b c"}), "/a/b c");
}

TEST(DestinationDialog, TheDestinationNamesTheServerOfAnFtpFolder) {
  EXPECT_EQ(DestinationText(DestinationKind::LocalDrive, "/home/a/out", "ignored"), "/home/a/out");
  EXPECT_EQ(DestinationText(DestinationKind::FtpServer, "/recovered", "10.0.0.5"),
            "ftp://10.0.0.5/recovered");
  EXPECT_EQ(DestinationText(DestinationKind::FtpServer, "in", FtpServerText("ftp.example", 2121)),
            "ftp://ftp.example:2121/in");
  EXPECT_EQ(FtpServerText("ftp.example", 21), "ftp.example");
}

TEST(DestinationDialog, RoomIsMeasuredWhereTheFilesWillGo) {
  const test::ScratchFolder folder("kestrel-room");
  constexpr auto kTooMuch = std::numeric_limits<std::uint64_t>::max();
  EXPECT_FALSE(RoomProblem(folder.path().string(), 0));
  EXPECT_EQ(RoomProblem(folder.path().string(), kTooMuch),
            "Insufficient drive space at destination location.");
  EXPECT_TRUE(RoomProblem((folder / "new/deeper").string(), kTooMuch))
      << "a folder still to be made is measured at its nearest existing parent";
}

}  // namespace
}  // namespace kestrel::destination
