// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace kestrel::app {

// The plain-text log report every run appends to. Each entry opens the file, writes at its end
// and closes it again, so the file is never held open. A log that cannot be written is skipped:
// it never stops the program or a scan.
class LogReport {
 public:
  // Creates the file with its title line when it does not exist yet.
  explicit LogReport(std::string path);

  const std::string& path() const { return path_; }

  // A line break followed by the text.
  void AppendLogEntry(std::string_view text) const;
  // The text exactly as given (for texts that carry their own line break).
  void AppendText(std::string_view text) const;

  // The start-up header: two line breaks, the banner line, a line break, and
  // "Started Kestrel Varnoak Novell (NSS) on" with the date stamp.
  void WriteStartupHeader(std::string_view stamp) const;
  // "\nClosed Kestrel Varnoak NSS successfullly on" with the date stamp.
  void WriteShutdownLine(std::string_view stamp) const;

 private:
  std::string path_;
};

}  // namespace kestrel::app
