// SPDX-License-Identifier: Apache-2.0
// The application shell's rules: page results, progress bar positions and the about box.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "app/AboutFacts.h"
#include "app/HelpTopics.h"
#include "app/Navigation.h"
#include "app/ProgressPercent.h"

namespace kestrel::app {
namespace {

TEST(Navigation, BackLeadsOneStepClosingLeadsOut) {
  EXPECT_EQ(MediaPageResult(LeaveButton::Back), PageResult::BackToMainWindow);
  EXPECT_EQ(ScanPageResult(LeaveButton::Back), PageResult::ShowCaller);
  EXPECT_EQ(MediaPageReaction(ScanPageResult(LeaveButton::Back)), CallerReaction::ShowAgain);
  EXPECT_EQ(MediaPageReaction(ScanPageResult(LeaveButton::Home)),
            CallerReaction::EndBackToMainWindow);
  EXPECT_EQ(MediaPageReaction(ScanPageResult(LeaveButton::Close)), CallerReaction::EndClosing);
  EXPECT_EQ(MainWindowReaction(PageResult::ShowCaller), CallerReaction::ShowAgain)
      << "a page opened from the main window that asks for its caller finds the main window";
  EXPECT_EQ(MainWindowReaction(MediaPageResult(LeaveButton::Close)), CallerReaction::EndClosing);
  EXPECT_EQ(MediaPageReaction(ImagingPageResult(LeaveButton::Back)), CallerReaction::ShowAgain)
      << "BACK on the imaging progress page shows the source selection again";
  EXPECT_EQ(MediaPageReaction(ImagingPageResult(LeaveButton::Close)),
            CallerReaction::EndBackToMainWindow)
      << "X on an imaging page cancels it, and the program goes on";
  EXPECT_EQ(MainWindowReaction(ImagingPageResult(LeaveButton::Home)), CallerReaction::ShowAgain);
}

TEST(HelpTopics, EachPageOpensItsOwnTopicAndTheRestTheContents) {
  EXPECT_EQ(HelpTopicFor("CpoolIterator"), "pool-page");
  EXPECT_EQ(HelpTopicFor("CScanDisk"), "disk-scan-page");
  EXPECT_EQ(HelpTopicFor("LeafIterator"), "volume-page");
  EXPECT_EQ(HelpTopicFor("CDiskClone"), "imaging");
  EXPECT_EQ(HelpTopicFor("SomeDialog"), "index");
  for (const char* dialog : {"CSaveFile", "CFTPSettings", "CFtpTree", "CAlreadyExistFileDialog"})
    EXPECT_EQ(HelpTopicFor(dialog), "destination") << dialog << " has a page of its own";
  EXPECT_EQ(HelpTopicFor("CScanRename"), "resume");
  EXPECT_EQ(HelpPagePath("/opt/kestrel/help", "pool-page"), "/opt/kestrel/help/pool-page.html");
  EXPECT_EQ(HelpFolders("/usr/bin"),
            (std::vector<std::string>{"/usr/bin/help", "/usr/bin/../share/kestrel-nss/help"}))
      << "beside the program first, then where the package installs it";
  for (const char* page :
       {"CInitialInfo", "LeafIterator", "CpoolIterator", "CScanDisk", "ResumeRecovery",
        "CKestrelNSSRecoveryDlg", "CFileMask", "FileMaskForPool", "CFindFileDlg",
        "CCreateImageItems", "CImageCreation", "CDiskClone", "CSaveFile", "CPoolSaving",
        "CFTPSettings", "CFtpTree", "CFilterDialog", "CAlreadyExistFileDialog"}) {
    const std::string source =
        std::string(KESTREL_SOURCE_DIR) + "/docs/help/" + std::string(HelpTopicFor(page)) + ".md";
    EXPECT_TRUE(std::filesystem::exists(source)) << "the manual has no page " << source;
  }
}

TEST(ProgressPercent, StaysWithinTheBar) {
  EXPECT_EQ(PercentDone({5, 0, {}}), std::nullopt) << "no percentage of an unknown total";
  EXPECT_EQ(PercentDone({409425, 0, {}, WorkUnit::Blocks}), std::nullopt)
      << "a chain of tree blocks, however long, is never shown done";
  EXPECT_EQ(PercentDone({0, 200, {}}), 0);
  EXPECT_EQ(PercentDone({199, 200, {}}), 99);
  EXPECT_EQ(PercentDone({300, 200, {}}), 100) << "never past the end";
  constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(PercentDone({kHuge / 2, kHuge, {}}), 50) << "no overflow near 2^64";
}

TEST(AboutFacts, VersionNumbersFromAReleaseText) {
  const VersionNumbers kernel = ParseVersionNumbers("6.1.0-18-amd64");
  EXPECT_EQ(kernel.major, 6);
  EXPECT_EQ(kernel.minor, 1);
  EXPECT_EQ(kernel.build, 0);
  const VersionNumbers two = ParseVersionNumbers("5.15");
  EXPECT_EQ(two.major, 5);
  EXPECT_EQ(two.minor, 15);
  EXPECT_EQ(two.build, 0);
  const VersionNumbers none = ParseVersionNumbers("unknown");
  EXPECT_EQ(none.major + none.minor + none.build, 0);
}

TEST(AboutFacts, SystemNameFromOsRelease) {
  EXPECT_EQ(OsReleaseName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                          "(bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleaseName("ID=alpine\nNAME=Alpine"), "Alpine")
      << "NAME when there is no pretty name";
  EXPECT_EQ(OsReleaseName("XPRETTY_NAME=x\n"), "");
}

TEST(AboutFacts, LinesInTheirFormats) {
  const AboutFacts facts =
      MakeAboutFacts({3ull * 1024 * 1024 * 1024 + 5, "server1", "Debian 12", "6.1.0-18-amd64"});
  EXPECT_EQ(facts.product, "Kestrel Varnoak NSS");
  EXPECT_EQ(facts.version, "v3.0.0.0");
  EXPECT_EQ(facts.edition, "Novell(NSS)");
  EXPECT_EQ(facts.memory, "3072 MB RAM");
  EXPECT_EQ(facts.computerName, "server1");
  EXPECT_EQ(facts.systemVersion, "6. 1.0");
  EXPECT_EQ(facts.servicePack, "6.1.0-18-amd64");
  EXPECT_EQ(facts.systemName, "Debian 12");
}

TEST(AboutFacts, TheRunningSystemAnswers) {
  const SystemFacts system = ReadSystemFacts();
  EXPECT_GT(system.physicalMemoryBytes, 0u);
  EXPECT_FALSE(system.computerName.empty());
  EXPECT_FALSE(system.systemName.empty());
  EXPECT_FALSE(system.systemRelease.empty());
}

}  // namespace
}  // namespace kestrel::app
