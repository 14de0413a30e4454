// SPDX-License-Identifier: Apache-2.0
// `mount`: the scanned tree as a read-only folder until it is unmounted.
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <iostream>

#include "Command.h"
#include "FuseServer.h"
#include "Interrupt.h"
#include "MaskOptions.h"
#include "ScannedSource.h"

namespace kestrel::cli {
namespace {

// The format keeps no times, so every entry shows the scan's: when a saved scan was written, or
// now for a scan just made.
std::time_t ScanTime(const SourceOptions& source) {
  struct stat saved {};
  if (source.scanFile && stat(source.scanFile->c_str(), &saved) == 0) return saved.st_mtime;
  return std::time(nullptr);
}

class MountCommand : public Command {
 public:
  explicit MountCommand(CLI::App& parser) {
    source_.AddTo(parser);
    mask_.AddTo(parser);
    parser.add_option("MOUNTPOINT", serve_.mountPoint, "An empty folder to show the volume in")
        ->required();
    parser.add_flag("--foreground", serve_.foreground, "Stay in the foreground; Ctrl-C unmounts");
    parser.add_flag("--allow-other", serve_.allowOther,
                    "Let every user read the files, not only the one who mounts them");
  }

  int Run(const app::LogReport& log) override {
    if (!mask_.Read()) return kUsage;
    std::error_code ignored;  // a path that cannot be made absolute is taken as given
    if (const auto absolute = std::filesystem::absolute(serve_.mountPoint, ignored); !ignored)
      serve_.mountPoint = absolute.lexically_normal().string();
    std::unique_ptr<mount::MountedVolume> volume;
    std::string name;
    {
      const InterruptStop interrupt;  // until the server takes the signals over
      auto scanned = ScanChosenSource(source_, SourceUse::ReadsData, interrupt.token(), log);
      if (!scanned.ok()) return Fail(scanned.error());
      if (scanned.value().outcome == volume::ScanOutcome::Stopped)
        return ReportScanOutcome(scanned.value());
      ReportScanOutcome(scanned.value());  // a damaged tree is served as far as it was read
      if (auto status = mask_.Apply(scanned.value(), interrupt.token())) return *status;
      name = scanned.value().description.displayName;
      volume = std::make_unique<mount::MountedVolume>(
          std::move(scanned.value().tree), std::move(scanned.value().source),
          scanned.value().poolBase, ScanTime(source_), log);
      if (interrupt.interrupted()) return Fail("stopped; nothing was mounted");
    }
    log.AppendLogEntry("Mounted " + name + " read-only at " + serve_.mountPoint);
    std::cerr << "Serving " << name << " read-only at " << serve_.mountPoint
              << "; unmount with: fusermount3 -u " << serve_.mountPoint << '\n';
    const int status = ServeReadOnly(*volume, serve_);
    log.AppendLogEntry("Unmounted " + serve_.mountPoint);
    return status;
  }

 private:
  SourceOptions source_;
  MaskOptions mask_;
  ServeOptions serve_;
};

}  // namespace

RegisteredCommand AddMountCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand(
      "mount", "Serves the scanned tree as a read-only folder (FUSE) until unmounted");
  return {parser, std::make_unique<MountCommand>(*parser)};
}

}  // namespace kestrel::cli
