// SPDX-License-Identifier: Apache-2.0
// `disk-scan`: the pools and volumes behind every partition header found on a whole disk.
#include <iostream>

#include "Command.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "MediaJson.h"
#include "ScannedSource.h"
#include "SourceOptions.h"
#include "app/TextEncoding.h"
#include "diskscan/DiskScanner.h"

namespace kestrel::cli {
namespace {

class DiskScanCommand : public Command {
 public:
  explicit DiskScanCommand(CLI::App& parser) {
    source_.AddTo(parser, false);
    parser.add_flag("--json", json_, "Print one JSON array of the pools found");
  }

  int Run(const app::LogReport& log) override {
    const InterruptStop interrupt;
    SourceOptions scan = source_;
    scan.diskScan = true;
    auto found = DiscoverSource(scan, interrupt.token(), log);
    if (!found.ok()) return Fail(found.error());
    const disk::DiskEntry& disk = found.value().tree.disks.front();
    const auto& pools = disk.pools;
    if (json_) {
      nlohmann::ordered_json json = nlohmann::ordered_json::array();
      for (const auto& pool : pools) json.push_back(PoolJson(pool));
      std::cout << JsonText(json) << '\n';
      return ReportUnreadSectors(disk.zeroedSectors);
    }
    for (const auto& pool : pools) {
      std::cout << app::ToUtf8(diskscan::DiskScanPoolLabel(pool)) << "  (partition header at byte "
                << pool.node.start << ", link " << pool.node.extra << ")\n";
      for (const auto& volume : pool.volumes) {
        std::cout << "  " << app::ToUtf8(diskscan::DiskScanVolumeLabel(volume)) << "  (root block "
                  << volume.node.start << ")\n";
      }
    }
    return ReportUnreadSectors(disk.zeroedSectors);
  }

 private:
  SourceOptions source_;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddDiskScanCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("disk-scan", "Searches a whole disk for lost pools and volumes");
  return {parser, std::make_unique<DiskScanCommand>(*parser)};
}

}  // namespace kestrel::cli
