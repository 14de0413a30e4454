// SPDX-License-Identifier: Apache-2.0
// The volume page's stages, the notice at the end of a recovery run, and the volume scan of a
// volume chosen in media discovery.
#include <gtest/gtest.h>

#include "disk/MemorySource.h"
#include "volume/ChosenVolume.h"
#include "volume/SavingSummary.h"
#include "volume/VolumePage.h"

namespace kestrel::volume {
namespace {

TEST(VolumePageControls, WhileWorkRunsOnlyStopAndLeavingTakeClicks) {
  for (const auto stage :
       {VolumePageStage::Scanning, VolumePageStage::Masking, VolumePageStage::Recovering}) {
    const VolumePageControls controls = ControlsFor(stage, {true, false});
    EXPECT_TRUE(controls.stop);
    EXPECT_TRUE(controls.home && controls.back) << "they say the work must be stopped first";
    EXPECT_FALSE(controls.saveScan || controls.selectAll || controls.unselect || controls.recover ||
                 controls.browsing || controls.find || controls.mask || controls.unmask);
  }
  EXPECT_EQ(ControlsFor(VolumePageStage::Scanning, {false, false}).status, "Scanning Data");
  EXPECT_TRUE(ControlsFor(VolumePageStage::Scanning, {false, false}).scanBar);
  EXPECT_TRUE(ControlsFor(VolumePageStage::Recovering, {false, false}).recoveryBar);
  EXPECT_TRUE(ControlsFor(VolumePageStage::Masking, {true, false}).scanBar);
  EXPECT_FALSE(ControlsFor(VolumePageStage::Masking, {true, false}).status)
      << "a mask run keeps the status of the scan";
  EXPECT_FALSE(ControlsFor(VolumePageStage::Recovering, {false, false}).status)
      << "a recovery keeps the status of the scan";
}

TEST(VolumePageControls, AfterTheScanSavingNeedsFiles) {
  const VolumePageControls found = ControlsFor(VolumePageStage::Browsing, {true, false});
  EXPECT_EQ(found.status, "Scanning completed");
  EXPECT_TRUE(found.home && found.back && found.selectAll && found.saveScan && found.browsing);
  EXPECT_FALSE(found.stop || found.scanBar || found.unselect || found.recover || found.unmask);
  EXPECT_TRUE(found.find && found.mask);
  const VolumePageControls empty = ControlsFor(VolumePageStage::Browsing, {false, false});
  EXPECT_FALSE(empty.saveScan || empty.find || empty.mask) << "nothing to narrow or search";
  EXPECT_TRUE(empty.selectAll);
  EXPECT_FALSE(ControlsFor(VolumePageStage::Browsing, {true, true}).saveScan)
      << "a written scan file keeps S SCAN off";
}

TEST(VolumePageControls, AMaskedViewOffersUnmaskInMasksPlaceInEveryIdleStage) {
  for (const auto stage :
       {VolumePageStage::Browsing, VolumePageStage::Stopped, VolumePageStage::Recovered}) {
    const VolumePageControls masked = ControlsFor(stage, {true, false, true});
    EXPECT_TRUE(masked.unmask && masked.find && masked.selectAll);
    EXPECT_FALSE(masked.mask);
  }
  EXPECT_TRUE(ControlsFor(VolumePageStage::Browsing, {false, false, true}).unmask)
      << "a mask that kept no file can still be undone";
}

TEST(VolumePageControls, AStoppedScanAndAFinishedRecovery) {
  const VolumePageControls stopped = ControlsFor(VolumePageStage::Stopped, {false, false});
  EXPECT_EQ(stopped.status, "Scanned Data");
  EXPECT_TRUE(stopped.saveScan && stopped.unselect && stopped.home && stopped.browsing);
  EXPECT_FALSE(stopped.stop || stopped.recover);
  const VolumePageControls recovered = ControlsFor(VolumePageStage::Recovered, {false, true});
  EXPECT_TRUE(recovered.saveScan) << "the end of a recovery run opens S SCAN again";
  EXPECT_TRUE(recovered.selectAll);
  EXPECT_FALSE(recovered.unselect || recovered.recover || recovered.recoveryBar);
  EXPECT_FALSE(recovered.status);
}

TEST(SavingSummary, SuccessOnlyWhenFilesWereWrittenAndEveryOneWhole) {
  SavingReport report;
  report.filesWritten = 3;
  report.bytesWritten = 2048;
  report.skipped = {"/out/a.txt"};
  report.renamed = {"/out/a:b -> a_b"};
  EXPECT_EQ(SavingSummary(report, "/out"),
            "Recovered Successfully\nWritten: 3 File(s), 2.00 KB, to /out\nSkipped at your choice: "
            "1 File(s)\nRenamed: 1 File(s)\nNot recovered whole: 0 File(s)")
      << "a skip is the user's choice";

  report.failed = {{"/out/b.doc", "cannot be created: Permission denied"}};
  EXPECT_EQ(SavingSummary(report, "/out"),
            "Not every file was recovered whole.\nWritten: 3 File(s), 2.00 KB, to /out\nSkipped "
            "at your choice: 1 File(s)\nRenamed: 1 File(s)\nNot recovered whole: 1 File(s)\n"
            "/out/b.doc: cannot be created: Permission denied");

  SavingReport stopped;
  stopped.stopped = true;
  EXPECT_EQ(SavingSummary(stopped, "/out").rfind("The recovery was stopped", 0), 0u);
}

TEST(SavingSummary, AllSkippedIsNoSuccess) {
  SavingReport report;
  report.skipped = {"/out/a.txt", "/out/b.txt"};
  const std::string text = SavingSummary(report, "ftp://server/recovered");
  EXPECT_EQ(text.rfind("Nothing was recovered.\n", 0), 0u) << text;
  EXPECT_NE(text.find("Written: 0 File(s), 0.00 Bytes, to ftp://server/recovered"),
            std::string::npos);
  EXPECT_NE(text.find("Skipped at your choice: 2 File(s)"), std::string::npos);
}

TEST(SavingSummary, ALongListIsCountedNotListed) {
  SavingReport report;
  for (int i = 0; i < 25; ++i) report.failed.push_back({"/out/f" + std::to_string(i), "gone"});
  const std::string text = SavingSummary(report, "/out");
  EXPECT_NE(text.find("/out/f19: gone"), std::string::npos);
  EXPECT_EQ(text.find("/out/f20: gone"), std::string::npos);
  EXPECT_NE(text.find("... and 5 more"), std::string::npos);
}

TEST(ChosenVolume, ScansFromTheEntrysNumbersThroughTheDiscoveredChain) {
  disk::VolumeEntry volume;
  volume.names = {u"VOL", u"1"};
  volume.node = {0x2A, R"(\\.\PhysicalDrive1)", 0x105000, 32768};
  const disk::PartitionChain chain{{2048, 34816}, {34816, 0}};
  const disk::DiskReader reader(std::make_shared<disk::MemorySource>(std::vector<std::uint8_t>(8)));
  const VolumeScanSource source = ChosenVolume(volume, chain, reader);
  EXPECT_EQ(source.rootBlock, 0x2Au) << "a volume's start is its root block";
  EXPECT_EQ(source.poolBase, 0x105000) << "its base is the pool's";
  EXPECT_EQ(source.extentSectors, 32768);
  EXPECT_EQ(source.chain, chain);
  EXPECT_EQ(source.volumeName, u"VOL1") << "the names joined";
  EXPECT_EQ(source.reader.Size(), 8);
}

}  // namespace
}  // namespace kestrel::volume
