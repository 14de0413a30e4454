// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "app/LogReport.h"
#include "app/PauseGate.h"
#include "app/Progress.h"
#include "destination/Conflicts.h"
#include "destination/Destination.h"
#include "disk/DiskReader.h"
#include "filter/FilterList.h"
#include "volume/FileTree.h"
#include "volume/UnreadAreas.h"

namespace kestrel::volume {

// What a recovery run needs besides the tree: where the data lie and where they go.
struct SavingSetup {
  disk::DiskReader source;
  std::int64_t poolBase = 0;  // block n of an extent lies at poolBase + (n - 1) * 4096
  destination::Destination& destination;
  filter::FilterList& filter;  // emptied at the end of the run
  destination::ConflictPrompt& prompt;
  const UnreadAreas* unread = nullptr;  // areas never read from a failing disk, when a map tells
  bool hashFiles = false;  // the SHA-256 of each file's bytes, taken as they are written
  bool md5Too = false;     // with hashFiles, their MD5 as well, which older tools check
};

struct FileProblem {
  std::string path;  // where the file was to be written
  std::string reason;
};

// A file the run went to write, for the report of the run: what became of it is its own, though
// another file of the run may have the same target.
struct HandledFile {
  FolderId folder = kNoFolder;
  RecordId head = kNoRecord;
  std::string target;                 // where it was written, or was to be
  std::string sha256;                 // of the bytes written, with hashFiles; "" when none were
  std::string md5;                    // with md5Too
  bool skipped = false;               // passed over by the answer to a clash
  bool written = false;               // stored, and counted in filesWritten
  bool replaced = false;              // a later file of the run was written over it, as asked
  std::vector<std::string> problems;  // why it is not whole; none when it is
};

struct SavingReport {
  std::uint32_t filesWritten = 0;
  std::uint64_t bytesWritten = 0;
  std::vector<FileProblem> failed;   // not written, or not written whole
  std::vector<std::string> skipped;  // passed over by the user's answer to a clash
  // as "old -> new": names from disk the destination refuses, and names taken already that the
  // user chose to write under another
  std::vector<std::string> renamed;
  std::vector<HandledFile> handled;  // in the order the run went through them
  // The partial files that an earlier run, cut short, left in the folders written to; removed.
  std::vector<std::string> removedPartials;
  std::vector<std::string> notes;  // what the person should know of how the files were stored
  bool stopped = false;

  // "Recovered Successfully" is said only when every file to write was written whole.
  bool Complete() const { return failed.empty() && !stopped; }
};

// Recovers the selected folders and files of the tree (with an active filter: every file the
// filter admits) to the destination, recreating the folders in display order and putting every
// record it went through back to Unselected. Stops between blocks on a stop request, and waits
// there while paused.
SavingReport SaveSelected(FileTree& tree, const SavingSetup& setup, app::ProgressObserver& observer,
                          app::PauseGate& pause, std::stop_token stop, const app::LogReport& log);

// The bytes a run would write: of the selected files, or with a filter of every file it admits.
std::uint64_t BytesToSave(const FileTree& tree, const filter::FilterList& filter);

}  // namespace kestrel::volume
