// SPDX-License-Identifier: Apache-2.0
// `drives`: the drive list of imaging and cloning, disks 0 to 23 that are present.
#include <iostream>

#include <nlohmann/json.hpp>

#include "Command.h"
#include "JsonText.h"
#include "disk/DriveList.h"

namespace kestrel::cli {
namespace {

const char* KindName(platform::MediaKind kind) {
  return kind == platform::MediaKind::Fixed ? "fixed" : "removable";
}

nlohmann::ordered_json DriveJson(const disk::DriveListEntry& drive) {
  const disk::DriveIdentity identity = drive.identity.value_or(disk::DriveIdentity{});
  nlohmann::ordered_json json = {
      {"disk", drive.number},         {"drive", drive.DriveNumber()},
      {"kind", KindName(drive.kind)}, {"model", identity.model},
      {"serial", identity.serial},    {"firmware", identity.firmware},
      {"sectors", drive.sectorCount}, {"size", disk::DriveSizeText(drive.sectorCount)}};
  if (!drive.status.ok()) json["error"] = drive.status.message;
  return json;
}

void PrintDrive(const disk::DriveListEntry& drive) {
  const disk::DriveIdentity identity = drive.identity.value_or(disk::DriveIdentity{});
  std::cout << "Disk" << drive.number << "  0x" << std::hex << drive.DriveNumber() << std::dec
            << "  " << KindName(drive.kind) << "  " << disk::DriveSizeText(drive.sectorCount)
            << "  " << drive.sectorCount << " sectors";
  if (drive.identity) std::cout << "  " << identity.model << " [" << identity.serial << "]";
  if (!drive.status.ok()) std::cout << "  cannot be read: " << drive.status.message;
  std::cout << '\n';
}

class DrivesCommand : public Command {
 public:
  explicit DrivesCommand(CLI::App& parser) {
    parser.add_flag("--json", json_, "Print one JSON array");
  }

  int Run(const app::LogReport&) override {
    const disk::DriveList list = disk::ListDisks();
    if (json_) {
      nlohmann::ordered_json drives = nlohmann::ordered_json::array();
      for (const auto& drive : list.drives) drives.push_back(DriveJson(drive));
      std::cout << JsonText(drives) << '\n';
    } else {
      for (const auto& drive : list.drives) PrintDrive(drive);
    }
    return kSuccess;
  }

 private:
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddDrivesCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand("drives", "The drives that imaging and cloning can use");
  return {parser, std::make_unique<DrivesCommand>(*parser)};
}

}  // namespace kestrel::cli
