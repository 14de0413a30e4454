// SPDX-License-Identifier: Apache-2.0
#include "ReportOutput.h"

namespace kestrel::cli {

report::Report ReportOf(const std::string& commandLine, const SourceOptions& options,
                        const ScannedSource& scanned, const std::optional<LoadedMap>& map,
                        std::time_t started) {
  report::Report report = report::StartReport("kestrel-nss-cli", commandLine, started);
  report.source = report::SourceFactsOf(scanned.description.sourcePath,
                                        static_cast<std::uint64_t>(scanned.source.Size()),
                                        map ? map->path : "");
  report.scanned = scanned.description.displayName;
  report.scanKind = report::ScanKindText(
      options.poolScan ? savedscan::ScanKind::Pool : savedscan::ScanKind::Volume,
      options.scanFile.has_value());
  return report;
}

}  // namespace kestrel::cli
