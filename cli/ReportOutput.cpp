#include "ReportOutput.h"

#include "app/AboutFacts.h"
#include "app/DateStamp.h"
#include "disk/DriveName.h"

namespace kestrel::cli {

report::Report ReportOf(const std::string& commandLine, const SourceOptions& options,
                        const ScannedSource& scanned, const std::optional<LoadedMap>& map,
                        std::time_t started) {
  const app::SystemFacts system = app::ReadSystemFacts();
  report::Report report;
  report.program = "kestrel-nss-cli";
  report.version = app::MakeAboutFacts(system).version;
  report.command = commandLine;
  report.started = app::IsoUtcStamp(started);
  report.machine = system.computerName + " (" + system.systemName + ")";
  const std::string& path = scanned.description.sourcePath;
  const bool disk = disk::PhysicalDriveNumber(path).has_value();
  report.source = {
      path, disk ? "disk" : std::string(disk::ContainerKey(disk::OpenSource(path).container)),
      static_cast<std::uint64_t>(scanned.source.Size()), map ? map->path : ""};
  report.scanned = scanned.description.displayName;
  report.scanKind = options.scanFile ? "saved scan" : options.poolScan ? "pool" : "volume";
  return report;
}

}  // namespace kestrel::cli
