// SPDX-License-Identifier: Apache-2.0
// The report's three forms: names from disk of any kind come out escaped and well-formed in each,
// never as markup, and the files' byte runs and unread bytes as the tree and the map give them.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "report/Report.h"
#include "support/Files.h"

namespace kestrel::report {
namespace {

// "<script>&'\"", a control character, a byte that is not UTF-8 and U+FFFF.
const std::string kHostile = "/<script>alert('x')</script>&\"\x01\xFF\xEF\xBF\xBF.txt";

// A form's text as it is written, piece after piece.
std::string Text(bool (*form)(const Report&, const platform::WriteText&), const Report& report) {
  std::string text;
  EXPECT_TRUE(form(report, [&text](std::string_view piece) {
    text += piece;
    return true;
  }));
  return text;
}

Report HostileReport() {
  Report report;
  report.program = "kestrel-nss-cli";
  report.command = "report --image " + kHostile;
  report.source = {kHostile, "raw", 4096, kHostile, "", "", std::string(64, 'e')};
  report.scanned = "Volume:VOL1";
  report.files.resize(2);
  report.files[0].path = kHostile;
  report.files[0].size = 3;
  report.files[0].deleted = true;
  report.files[0].runs = {{1024, 3, 0}};
  report.files[1].path = "/ok.txt";
  report.files[1].size = 8192;
  report.files[1].runs = {{4096, 4096, 0}, {16384, 4096, 4096}};
  report.files[1].unreadBytes = 512;
  return report;
}

TEST(Report, HostileNamesAreEscapedInEveryForm) {
  const Report report = HostileReport();
  for (const std::string& markup :
       {Text(WriteReportDfxml, report), Text(WriteReportHtml, report)}) {
    EXPECT_EQ(markup.find("<script>alert"), std::string::npos);
    EXPECT_NE(
        markup.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;\\x01\xEF\xBF\xBD"
                    "\xEF\xBF\xBD.txt"),
        std::string::npos)
        << "the control character as \\x01, the stray byte and U+FFFF as U+FFFD";
    EXPECT_EQ(markup.find('\x01'), std::string::npos);
  }
  const auto json = nlohmann::json::parse(Text(WriteReportJson, report));
  EXPECT_EQ(json["files"][0]["path"],
            "/<script>alert('x')</script>&\"\x01\xEF\xBF\xBD\xEF\xBF\xBF.txt")
      << "JSON keeps every character, escaped; the stray byte is U+FFFD";
}

TEST(Report, FilesCarryTheirRunsAndUnreadBytesInEveryForm) {
  const Report report = HostileReport();
  const auto json = nlohmann::json::parse(Text(WriteReportJson, report));
  EXPECT_EQ(json["files"][1]["byteRuns"][1],
            (nlohmann::json{{"imageOffset", 16384}, {"length", 4096}, {"fileOffset", 4096}}));
  EXPECT_EQ(json["files"][1]["unreadBytes"], 512);
  EXPECT_EQ(json["totals"]["filesWithUnreadBytes"], 1);
  const std::string dfxml = Text(WriteReportDfxml, report);
  EXPECT_NE(dfxml.find("<filename>ok.txt</filename>\n    <filesize>8192</filesize>\n    "
                       "<alloc>1</alloc>\n    <byte_runs>\n      <byte_run file_offset='0' "
                       "img_offset='4096' len='4096'/>\n      <byte_run file_offset='4096' "
                       "img_offset='16384' len='4096'/>"),
            std::string::npos);
  EXPECT_NE(dfxml.find("<kestrel:unread_bytes>512</kestrel:unread_bytes>"), std::string::npos);
  EXPECT_NE(dfxml.find("<alloc>0</alloc>"), std::string::npos) << "the deleted file";
  EXPECT_NE(Text(WriteReportHtml, report).find("<tr class='unread'><td>/ok.txt</td>"),
            std::string::npos);
}

// A page for a million files stays small: the files that need attention are listed first, and
// past the limit the rest are counted and left to the JSON.
TEST(Report, ThePageListsTheFilesThatNeedAttentionFirstAndCountsWhatItLeavesOut) {
  Report report;
  report.files.resize(20005);
  for (std::size_t i = 0; i < report.files.size(); ++i)
    report.files[i].path = "/file" + std::to_string(i);
  report.files[20003].unreadBytes = 512;
  const std::string html = Text(WriteReportHtml, report);
  EXPECT_NE(html.find("<tr class='unread'><td>/file20003</td>"), std::string::npos);
  EXPECT_LT(html.find("/file20003<"), html.find("/file0<"));
  EXPECT_EQ(html.find("/file20000<"), std::string::npos);
  EXPECT_NE(html.find("<p>5 more files, none of which needs attention, are listed in "
                      "report.json.</p>"),
            std::string::npos);
  EXPECT_LT(html.size(), 6u << 20);
}

TEST(Report, TheSelectionAndTheFileTypesAreInEveryForm) {
  filter::FilterList filter;
  EXPECT_EQ(FilterText(filter), "");
  filter.AddTyped(u"*.doc");
  filter.AddTyped(u"*.xls");
  EXPECT_EQ(FilterText(filter), "only *.doc, *.xls");
  filter.mode = filter::FilterMode::Exclude;
  EXPECT_EQ(FilterText(filter), "all but *.doc, *.xls");

  Report report = HostileReport();
  report.selection = {"/DOCS", "/PUBLIC/welcome.txt"};
  report.filter = FilterText(filter);
  const auto json = nlohmann::json::parse(Text(WriteReportJson, report));
  EXPECT_EQ(json["selection"], nlohmann::json({"/DOCS", "/PUBLIC/welcome.txt"}));
  EXPECT_EQ(json["filter"], "all but *.doc, *.xls");
  const std::string dfxml = Text(WriteReportDfxml, report);
  EXPECT_NE(dfxml.find("<kestrel:path>/DOCS</kestrel:path>"), std::string::npos);
  EXPECT_NE(dfxml.find("<kestrel:filter>all but *.doc, *.xls</kestrel:filter>"), std::string::npos);
  EXPECT_NE(Text(WriteReportHtml, report).find("<th>File types</th><td>all but *.doc, *.xls</td>"),
            std::string::npos);
}

TEST(Report, OnlyPicturesRecoveredWholeAndSmallEnoughGetAThumbnail) {
  FileEntry picture;
  picture.path = "/IMAGES/Logo.JPG";
  picture.size = 4096;
  picture.state = "whole";
  EXPECT_TRUE(WantsThumbnail(picture));
  picture.state = "renamed";
  EXPECT_TRUE(WantsThumbnail(picture));
  for (const char* state : {"failed", "skipped", ""}) {
    FileEntry notWritten = picture;
    notWritten.state = state;
    EXPECT_FALSE(WantsThumbnail(notWritten)) << state;
  }
  FileEntry text = picture;
  text.path = "/DOCS/readme.txt";
  FileEntry huge = picture;
  huge.size = kThumbnailReadCap + 1;
  FileEntry empty = picture;
  empty.size = 0;
  for (const FileEntry& file : {text, huge, empty}) EXPECT_FALSE(WantsThumbnail(file));

  Report report = HostileReport();
  report.files[1].thumbnail = "data:image/jpeg;base64,AAAA";
  EXPECT_NE(Text(WriteReportHtml, report)
                .find("<img class='thumb' alt='' src='data:image/jpeg;base64,AAAA'>"),
            std::string::npos);
}

// A report of many files reaches its file a mebibyte or so at a time, never whole in memory, and
// a write that fails ends it.
TEST(Report, AReportOfManyFilesIsWrittenInPiecesAndEndsAtAFailedWrite) {
  Report report = HostileReport();
  report.files.resize(20000, report.files[1]);
  std::vector<std::size_t> pieces;
  std::string dfxml;
  EXPECT_TRUE(WriteReportDfxml(report, [&](std::string_view piece) {
    pieces.push_back(piece.size());
    dfxml += piece;
    return true;
  }));
  EXPECT_GT(pieces.size(), 2u);
  EXPECT_LT(*std::max_element(pieces.begin(), pieces.end()), std::size_t{2} << 20);
  std::size_t objects = 0;
  for (auto at = dfxml.find("<fileobject>"); at != std::string::npos;
       at = dfxml.find("<fileobject>", at + 1))
    ++objects;
  EXPECT_EQ(objects, report.files.size());

  int writes = 0;
  EXPECT_FALSE(WriteReportJson(report, [&writes](std::string_view) { return ++writes < 2; }));
  EXPECT_EQ(writes, 2) << "nothing is written after the write that failed";
}

// A recovery's report goes to the top of its destination beside the files recovered: a file of
// the same name, recovered or from an earlier recovery, stays as it was.
TEST(Report, AReportAtADestinationNeverReplacesAFileThere) {
  const test::ScratchFolder folder("report-at");
  destination::LocalDestination destination(folder.path().string());
  std::ofstream(folder / "report.html") << "a recovered page";

  const app::Result<std::string> first = WriteReportAt(HostileReport(), destination, {});
  ASSERT_TRUE(first.ok()) << first.error();
  EXPECT_EQ(first.value(), (folder / "report-2.html").string());
  EXPECT_EQ(test::ReadFileText(folder / "report.html"), "a recovered page");
  EXPECT_FALSE(std::filesystem::exists(folder / "report.json"));
  EXPECT_TRUE(nlohmann::json::accept(test::ReadFileText(folder / "report-2.json")));

  const app::Result<std::string> second = WriteReportAt(HostileReport(), destination, {});
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second.value(), (folder / "report-3.html").string());
  EXPECT_EQ(ReportWrittenText(second), "Report: " + second.value());

  destination::LocalDestination gone((folder / "report-3.html" / "no").string());
  const app::Result<std::string> failed = WriteReportAt(HostileReport(), gone, {});
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(ReportWrittenText(failed).rfind("The report could not be written: ", 0), 0u);
}

}  // namespace
}  // namespace kestrel::report
