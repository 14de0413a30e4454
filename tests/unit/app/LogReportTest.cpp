// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <filesystem>

#include "app/DateStamp.h"
#include "app/LogReport.h"
#include "support/Files.h"

namespace kestrel::app {
namespace {

namespace fs = std::filesystem;

const std::string kTitle = std::string(60, ' ') + "KESTREL VARNOAK NOVELL (NSS)\n\n";
const std::string kHeader = "\n\n\"" + std::string(28, '*') +
                            "Kestrel Varnoak Novell(NSS) Log Report" + std::string(29, '*') +
                            "\n\nStarted Kestrel Varnoak Novell (NSS) on";

class LogReportFile : public ::testing::Test {
 protected:
  test::ScratchFolder folder{"log"};
  fs::path path = folder / "log.txt";
};

TEST_F(LogReportFile, FirstRunWritesTheTitleThenEveryRunAppends) {
  for (int run = 0; run < 2; ++run) {
    const LogReport log(path.string());
    log.WriteStartupHeader(" STAMP");
    log.AppendLogEntry("Started Scanning VOL1");
    log.WriteShutdownLine(" END");
  }
  const std::string run =
      kHeader + " STAMP\nStarted Scanning VOL1\nClosed Kestrel Varnoak NSS successfullly on END";
  EXPECT_EQ(test::ReadFileText(path), kTitle + run + run);
}

TEST(LogReport, AnUnwritableLogIsSkippedSilently) {
  const LogReport log("/nonexistent-folder/for/sure/log.txt");
  log.WriteStartupHeader(DateTimeStampNow());
  log.AppendLogEntry("nothing happens");
  EXPECT_FALSE(fs::exists(log.path()));
}

TEST(DateStamp, LongDateAndTimeJoinedByAt) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  EXPECT_EQ(DateTimeStamp(1796662800), " Monday, December 07, 2026 at 17:00:00");
}

}  // namespace
}  // namespace kestrel::app
