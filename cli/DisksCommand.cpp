// SPDX-License-Identifier: Apache-2.0
// `disks`: media discovery of every disk (or of one image file), with pools and volumes.
#include <iostream>
#include <optional>

#include "Command.h"
#include "ImageSource.h"
#include "JsonText.h"
#include "MediaJson.h"
#include "SourceOptions.h"
#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "disk/DiskWhereabouts.h"
#include "disk/DriveName.h"
#include "disk/MediaDiscovery.h"

namespace kestrel::cli {
namespace {

void PrintDisk(const disk::DiskEntry& disk) {
  std::cout << app::ToUtf8(disk.Label()) << "  " << disk::WhereaboutsText(disk::LocateDisk(disk));
  if (!disk.status.ok()) {
    std::cout << "  cannot be read: " << disk.status.message << '\n';
    return;
  }
  std::cout << (disk.netware ? "  NetWare" : "  no NetWare boot signature") << '\n';
  if (disk.zeroedSectors != 0)
    std::cout << "  " << disk::ZeroedSectorsText(disk.zeroedSectors) << '\n';
  for (const auto& pool : disk.pools) {
    std::cout << "  " << app::ToUtf8(pool.Label()) << "  (partition header at byte "
              << pool.node.start << ")\n";
    for (const auto& volume : pool.volumes) {
      std::cout << "    " << app::ToUtf8(volume.Label()) << "  (root block " << volume.node.start
                << ")\n";
    }
  }
}

// A disk some of whose sectors could not be read may hold pools the list lacks: said, and failed.
int ReportUnreadDisks(const disk::MediaTree& tree) {
  int status = kSuccess;
  for (const auto& disk : tree.disks) {
    if (disk.zeroedSectors == 0) continue;
    PrintError(app::ToUtf8(disk.Label()) + ": " + disk::IncompleteScanText(disk.zeroedSectors));
    status = kFailure;
  }
  return status;
}

class DisksCommand : public Command {
 public:
  explicit DisksCommand(CLI::App& parser) {
    parser.add_flag("--json", json_, "Print one JSON array");
    auto* image =
        parser.add_option("--image", image_, "List this disk or pool image instead of the disks");
    AddRaidOption(parser, image_, {image});
  }

  int Run(const app::LogReport& log) override {
    auto tree = Discover(log);
    if (!tree.ok()) return Fail(tree.error());
    if (json_) {
      std::cout << JsonText(DisksJson(tree.value())) << '\n';
    } else {
      for (const auto& disk : tree.value().disks) PrintDisk(disk);
    }
    return ReportUnreadDisks(tree.value());
  }

 private:
  app::Result<disk::MediaTree> Discover(const app::LogReport& log) const {
    if (image_) {
      auto source = DiscoverImageFile(*image_, {}, log);  // Ctrl-C ends this command at once
      if (!source.ok()) return app::Failure{source.error()};
      return std::move(source.value().tree);
    }
    return disk::DiscoverMedia([](int n) { return disk::OpenSource(disk::PhysicalDriveName(n)); },
                               log);
  }

  bool json_ = false;
  std::optional<std::string> image_;
};

}  // namespace

RegisteredCommand AddDisksCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("disks", "Every disk with its NSS pools and volumes");
  return {parser, std::make_unique<DisksCommand>(*parser)};
}

}  // namespace kestrel::cli
