// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/Result.h"
#include "destination/Destination.h"
#include "disk/platform/Platform.h"
#include "filter/FilterList.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"
#include "volume/SavingRun.h"
#include "volume/UnreadAreas.h"

// What an examiner hands on: the source, the scan, and every file with where it lay on the disk
// and what became of it, written as JSON, DFXML and HTML.
namespace kestrel::report {

// A run of a file's bytes on the source: `length` bytes at `imageOffset`, which are the file's
// bytes from `fileOffset` on.
struct ByteRun {
  std::uint64_t imageOffset = 0;
  std::uint64_t length = 0;
  std::uint64_t fileOffset = 0;
};

struct FileEntry {
  std::string path;  // in the scanned tree, as on disk
  std::uint64_t size = 0;
  bool deleted = false;
  std::vector<ByteRun> runs;
  std::uint64_t unreadBytes = 0;  // in areas a map says were never read from the disk
  // What a recovery did with it; all empty in an inventory.
  std::string writtenAs;
  std::string sha256;  // of the bytes written
  std::string md5;     // of the bytes written, when asked for
  std::string state;   // whole, renamed, replaced (by a later file of the run), skipped or failed
  std::string reason;  // why it is not whole
  std::string thumbnail;  // a small picture of it as a data: URI, for the page; "" for none
};

// The page shows small pictures of at most this many recovered pictures, each read from at most
// kThumbnailReadCap bytes and fitted into a square of kThumbnailSide pixels: a few kilobytes
// each, so a report of any size stays small.
inline constexpr std::size_t kThumbnailCount = 500;
inline constexpr std::uint64_t kThumbnailReadCap = 16u << 20;
inline constexpr int kThumbnailSide = 96;

// A picture recovered whole (or renamed) that is not too large to read for its thumbnail.
bool WantsThumbnail(const FileEntry& file);

struct SourceFacts {
  std::string path;       // the device or image file
  std::string container;  // disk, or the image's container: raw, split, ewf, ...
  std::uint64_t size = 0;
  std::string model;        // a disk's, as it names itself; "" for an image or when it does not say
  std::string serial;       // likewise
  std::string map;          // the map of unread areas laid over the files, if any
  std::string imageSha256;  // from that map, when our imaging wrote it with the image's hash
};

struct Report {
  std::string program;
  std::string version;
  std::string command;  // the command line, or the page that made the report
  std::string started;  // ISO 8601, UTC
  std::string ended;
  std::string machine;
  SourceFacts source;
  std::string scanned;   // the volume or pool, as the scan names it
  std::string scanKind;  // volume, pool or saved scan
  // What the person asked to recover: the paths ticked or named ("/" for everything), and the
  // file types the run was limited to, if any. Empty in an inventory.
  std::vector<std::string> selection;
  std::string filter;
  std::vector<FileEntry> files;
};

// A report begun now: the program, its version, the command (or page) and the machine.
Report StartReport(std::string program, std::string command, std::time_t started);

// What a report says of the device or image file read: its kind, and a disk's model and serial.
SourceFacts SourceFactsOf(const std::string& path, std::uint64_t size, std::string map);

// volume, pool, or saved scan: what the files were found by.
std::string_view ScanKindText(savedscan::ScanKind kind, bool fromSavedScan);

// What a recovery run of the tree goes through: with an active filter every file it admits, else
// what is ticked.
void DescribeSelection(Report& report, const volume::FileTree& tree,
                       const filter::FilterList& filter);
// The file types a filter limits a run to: "only *.doc, *.xls", "all but *.tmp", or "" for none.
std::string FilterText(const filter::FilterList& filter);

// Every file of the tree in display order, deleted ones included, with its byte runs on the
// source (block n at poolBase + (n - 1) * 4096) and, with a map, its bytes never read.
std::vector<FileEntry> FilesOf(const volume::FileTree& tree, std::int64_t poolBase,
                               const volume::UnreadAreas* unread);

// The files a recovery run went through, in its order, each with where it was written, the hash
// of what was written and what became of it: skipped at a clash, failed (and why), written under
// another name, replaced by a later file of the run given the same name, or whole.
std::vector<FileEntry> FilesOfRun(const volume::FileTree& tree, std::int64_t poolBase,
                                  const volume::UnreadAreas* unread,
                                  const volume::SavingReport& run);

// Each form is written a piece at a time through `write`; false once a write failed.
bool WriteReportJson(const Report& report, const platform::WriteText& write);
// Digital Forensics XML as fiwalk writes it: creator, source, and a fileobject per file.
bool WriteReportDfxml(const Report& report, const platform::WriteText& write);
// One self-contained page for people: the summary, then the files, sortable by a click where
// the browser runs scripts and readable where it does not. The files that need attention (bytes
// never read, not recovered whole) come first; past 20,000 files the rest are left to the JSON.
bool WriteReportHtml(const Report& report, const platform::WriteText& write);

// Writes report.json, report.dfxml and report.html into the folder, made when missing; why not,
// when they cannot be written.
std::optional<std::string> WriteReportFiles(const Report& report, const std::string& folder);

// Writes the three files at the top of a recovery's destination, named "report" when no file of
// those names is there yet, else "report-2", "report-3"...: a file recovered by that name, or the
// report of an earlier recovery, is never replaced. The path of the HTML page written, or why
// the files could not be written.
app::Result<std::string> WriteReportAt(const Report& report, destination::Destination& destination,
                                       std::stop_token stop);

// The line a recovery's summary ends with: where its report is, or why it is not there.
std::string ReportWrittenText(const app::Result<std::string>& written);

}  // namespace kestrel::report
