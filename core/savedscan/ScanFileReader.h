// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/LogReport.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "disk/DiskReader.h"
#include "savedscan/ScanFileRecord.h"

namespace kestrel::savedscan {

inline constexpr std::string_view kNotAScanFileText = "Select a valid scan file...";

// The records of a scan information file, in file order (m_savedRecords without its head record;
// m_savedRecordCount is their number).
struct SavedScan {
  std::vector<ScanFileRecord> records;
  // Where a read of the file failed: the records from there on are missing.
  std::optional<std::int64_t> unreadableAt = std::nullopt;
};

// Reads the records that follow the banner of the source, up to its end. A last record that is
// cut short is dropped; a name length is checked against the bytes that remain before anything is
// allocated for it, so no file makes the reader take more memory than the file holds.
// Progress counts the file's bytes read.
SavedScan ParseScanRecords(const disk::DiskReader& source, app::ProgressObserver& observer);
SavedScan ParseScanRecords(const disk::DiskReader& source);

// Opens a chosen file as a scan information file, with the log line of a resumed recovery. A file
// that cannot be opened is "Select a valid scan file..."; one without the banner is no scan file.
app::Result<SavedScan> ReadScanFile(const std::string& path, const app::LogReport& log,
                                    app::ProgressObserver& observer);
app::Result<SavedScan> ReadScanFile(const std::string& path, const app::LogReport& log);

}  // namespace kestrel::savedscan
