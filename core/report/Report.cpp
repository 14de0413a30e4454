// SPDX-License-Identifier: Apache-2.0
#include "report/Report.h"

#include <algorithm>

#include "app/AboutFacts.h"
#include "app/DateStamp.h"
#include "app/TextEncoding.h"
#include "disk/DiskReader.h"
#include "disk/DriveName.h"
#include "disk/container/ContainerKind.h"
#include "disk/platform/Platform.h"
#include "imaging/MapFile.h"
#include "imaging/RescueMap.h"
#include "viewers/PreviewKind.h"
#include "volume/FileData.h"
#include "volume/Selection.h"
#include "volume/TreePaths.h"

namespace kestrel::report {
namespace {

FileEntry EntryOf(const volume::FileTree& tree, std::string path, volume::RecordId head,
                  std::int64_t poolBase, const volume::UnreadAreas* unread) {
  const volume::FileDataLayout layout = volume::LayoutFileData(tree, head, poolBase);
  FileEntry file;
  file.path = std::move(path);
  file.size = layout.size;
  file.deleted = tree.Record(head).IsDeleted();
  file.unreadBytes = unread ? unread->BytesIn(layout) : 0;
  for (const volume::SourceRange& range : layout.ranges) {
    if (range.offset >= 0) {
      file.runs.push_back(
          {static_cast<std::uint64_t>(range.offset), range.length, range.fileOffset});
    }
  }
  return file;
}

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// What became of the file itself: another file of the run may have had the same target.
void TellState(FileEntry& file, const volume::HandledFile& handled) {
  for (const std::string& problem : handled.problems)
    file.reason += (file.reason.empty() ? "" : "; ") + problem;
  if (handled.skipped)
    file.state = "skipped";
  else if (!handled.problems.empty())
    file.state = "failed";
  else if (handled.replaced)
    file.state = "replaced";
  else
    file.state = BaseName(file.writtenAs) == BaseName(file.path) ? "whole" : "renamed";
}

}  // namespace

bool WantsThumbnail(const FileEntry& file) {
  return (file.state == "whole" || file.state == "renamed") && file.size != 0 &&
         file.size <= kThumbnailReadCap &&
         viewers::PreviewKindOf(app::ToUtf16(BaseName(file.path))) == viewers::PreviewKind::Picture;
}

Report StartReport(std::string program, std::string command, std::time_t started) {
  const app::SystemFacts system = app::ReadSystemFacts();
  Report report;
  report.program = std::move(program);
  report.version = app::MakeAboutFacts(system).version;
  report.command = std::move(command);
  report.started = app::IsoUtcStamp(started);
  report.machine = system.computerName + " (" + system.systemName + ")";
  return report;
}

SourceFacts SourceFactsOf(const std::string& path, std::uint64_t size, std::string map) {
  SourceFacts facts;
  facts.path = path;
  facts.size = size;
  facts.map = std::move(map);
  if (const auto text =
          facts.map.empty() ? std::nullopt : std::optional(imaging::ReadMapText(facts.map));
      text && text->ok())
    facts.imageSha256 = imaging::ImageDigestInMap(text->value());
  if (const std::optional<int> drive = disk::PhysicalDriveNumber(path)) {
    facts.container = "disk";
    if (const std::optional<disk::DriveIdentity> identity = platform::IdentifyDrive(*drive)) {
      facts.model = identity->model;
      facts.serial = identity->serial;
    }
  } else {
    facts.container = disk::ContainerKey(disk::OpenSource(path).container);
  }
  return facts;
}

std::string_view ScanKindText(savedscan::ScanKind kind, bool fromSavedScan) {
  if (fromSavedScan) return "saved scan";
  return kind == savedscan::ScanKind::Pool ? "pool" : "volume";
}

void DescribeSelection(Report& report, const volume::FileTree& tree,
                       const filter::FilterList& filter) {
  report.selection = filter.IsActive() ? std::vector<std::string>{"/"} : volume::TickedPaths(tree);
  report.filter = FilterText(filter);
}

std::string FilterText(const filter::FilterList& filter) {
  if (!filter.IsActive()) return "";
  std::string text = filter.mode == filter::FilterMode::Include ? "only " : "all but ";
  for (const std::u16string& pattern : filter.patterns()) {
    if (&pattern != &filter.patterns().front()) text += ", ";
    text += app::ToUtf8(pattern);
  }
  return text;
}

std::vector<FileEntry> FilesOf(const volume::FileTree& tree, std::int64_t poolBase,
                               const volume::UnreadAreas* unread) {
  std::vector<FileEntry> files;
  volume::ForEachEntry(tree, [&](const volume::TreeEntry& entry) {
    if (!entry.folder) files.push_back(EntryOf(tree, entry.path, entry.record, poolBase, unread));
  });
  return files;
}

std::vector<FileEntry> FilesOfRun(const volume::FileTree& tree, std::int64_t poolBase,
                                  const volume::UnreadAreas* unread,
                                  const volume::SavingReport& run) {
  std::vector<FileEntry> files;
  for (const volume::HandledFile& handled : run.handled) {
    FileEntry file = EntryOf(tree, volume::FilePath(tree, handled.folder, handled.head),
                             handled.head, poolBase, unread);
    file.writtenAs = handled.target;
    file.sha256 = handled.sha256;
    file.md5 = handled.md5;
    TellState(file, handled);
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace kestrel::report
