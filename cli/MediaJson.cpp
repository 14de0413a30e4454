// SPDX-License-Identifier: Apache-2.0
#include "MediaJson.h"

#include "app/TextEncoding.h"
#include "disk/DiskWhereabouts.h"
#include "disk/NameBlock.h"

namespace kestrel::cli {
namespace {

nlohmann::ordered_json VolumeJson(const disk::VolumeEntry& volume) {
  return {{"name", app::ToUtf8(disk::JoinNames(volume.names))},
          {"rootBlock", volume.node.start},
          {"poolBase", volume.node.base},
          {"extent", volume.node.extra}};
}

nlohmann::ordered_json DiskJson(const disk::DiskEntry& disk) {
  nlohmann::ordered_json pools = nlohmann::ordered_json::array();
  for (const auto& pool : disk.pools) pools.push_back(PoolJson(pool));
  nlohmann::ordered_json json = {{"disk", disk.number},
                                 {"path", disk.node.sourcePath},
                                 {"netware", disk.netware},
                                 {"sectors", disk.sectorCount},
                                 {"pools", std::move(pools)}};
  const disk::DiskWhereabouts where = disk::LocateDisk(disk);
  json["device"] = where.devicePath;
  json["container"] = std::string(disk::ContainerKey(disk.container));
  if (!where.model.empty()) json["model"] = where.model;
  if (!disk.status.ok()) json["error"] = disk.status.message;
  return json;
}

}  // namespace

nlohmann::ordered_json PoolJson(const disk::PoolEntry& pool) {
  nlohmann::ordered_json volumes = nlohmann::ordered_json::array();
  for (const auto& volume : pool.volumes) volumes.push_back(VolumeJson(volume));
  nlohmann::ordered_json json{{"name", app::ToUtf8(pool.name)},
                              {"start", pool.node.start},
                              {"link", pool.node.extra},
                              {"volumes", std::move(volumes)}};
  if (pool.superBlockDamaged) json["superBlockDamaged"] = true;  // only then: the key is new
  return json;
}

nlohmann::ordered_json DisksJson(const disk::MediaTree& tree) {
  nlohmann::ordered_json disks = nlohmann::ordered_json::array();
  for (const auto& disk : tree.disks) disks.push_back(DiskJson(disk));
  return disks;
}

}  // namespace kestrel::cli
