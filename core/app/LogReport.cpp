// SPDX-License-Identifier: Apache-2.0
#include "app/LogReport.h"

#include <filesystem>
#include <fstream>

#include "disk/platform/Utf8Path.h"

namespace kestrel::app {
namespace {

const std::string kTitleLine = std::string(60, ' ') + "KESTREL VARNOAK NOVELL (NSS)";
const std::string kBannerLine = "\"" + std::string(28, '*') +
                                "Kestrel Varnoak Novell(NSS) Log Report" + std::string(29, '*') +
                                "\n";

}  // namespace

LogReport::LogReport(std::string path) : path_(std::move(path)) {
  std::error_code error;
  if (!std::filesystem::exists(platform::Utf8Path(path_), error) && !error) AppendText(kTitleLine + "\n\n");
}

void LogReport::AppendText(std::string_view text) const {
  std::ofstream file(platform::Utf8Path(path_), std::ios::binary | std::ios::app);
  if (file) file << text;
}

void LogReport::AppendLogEntry(std::string_view text) const {
  AppendText("\n" + std::string(text));
}

void LogReport::WriteStartupHeader(std::string_view stamp) const {
  AppendText("\n\n" + kBannerLine + "\nStarted Kestrel Varnoak Novell (NSS) on" +
             std::string(stamp));
}

void LogReport::WriteShutdownLine(std::string_view stamp) const {
  AppendText("\nClosed Kestrel Varnoak NSS successfullly on" + std::string(stamp));
}

}  // namespace kestrel::app
