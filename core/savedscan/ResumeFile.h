// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/LogReport.h"
#include "app/Result.h"
#include "savedscan/ScanFileReader.h"
#include "savedscan/SourceFileKind.h"

// The Resume Recovery tab: the fields that describe the chosen file, and what opening it means.
namespace kestrel::savedscan {

inline constexpr std::string_view kResumeDescription =
    "Select previously saved scan information or image file to resume recovery from last saved "
    "point.";
inline constexpr std::string_view kResumeBrowseHint =
    "Please click on BROWSE to select the saved File using Save Scan";
inline constexpr std::string_view kBrowseCaption = "Browse";
// Saved scans end in ".IMG"; images made on this system often in ".img", and names are told
// apart by case here.
inline constexpr std::string_view kResumeFileFilter = "(*.IMG *.img)";
inline constexpr std::string_view kNameCaption = "Name:";
inline constexpr std::string_view kSizeCaption = "Size:";
inline constexpr std::string_view kTypeCaption = "Type:";

// "%d MB" (whole MiB) from 1 MiB on, "%d Bytes" below.
std::string ResumeSizeText(std::uint64_t bytes);

struct ResumeFileFields {
  std::string name;  // the path
  std::string size;  // empty when the size is not known
  std::string type;  // the text after the last "." of the file's name
};
ResumeFileFields DescribeResumeFile(const std::string& path, std::optional<std::uint64_t> size);

// A chosen file, told apart by its first bytes; a scan information file comes with its records.
struct ResumeOpening {
  SourceFileKind kind = SourceFileKind::ScanInformation;
  SavedScan scan;
};

// Reads the chosen file with the log lines of a resumed recovery. A file that cannot be opened is
// "Select a valid scan file...".
// Progress counts the bytes of a scan information file read.
app::Result<ResumeOpening> OpenResumeFile(const std::string& path, const app::LogReport& log,
                                          app::ProgressObserver& observer);
app::Result<ResumeOpening> OpenResumeFile(const std::string& path, const app::LogReport& log);

}  // namespace kestrel::savedscan
