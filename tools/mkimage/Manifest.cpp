// SPDX-License-Identifier: Apache-2.0
#include "Manifest.h"

#include <fstream>

namespace kestrel::mkimage {
namespace {

using json = nlohmann::ordered_json;

json KeyText(std::uint64_t key) {
  return std::to_string(key);
}

json ToJson(const ManifestEntry& entry) {
  json extents = json::array();
  for (const Extent& extent : entry.extents) extents.push_back({extent.blocks, extent.start});
  return {{"path", entry.path},
          {"name", entry.name},
          {"kind", entry.kind == EntryKind::File ? "file" : "folder"},
          {"key", KeyText(entry.key)},
          {"parentKey", KeyText(entry.parentKey)},
          {"size", entry.size},
          {"deleted", entry.deleted},
          {"skipped", entry.skipped},
          {"loose", entry.loose},
          {"extents", extents},
          {"secondName", entry.secondName ? json(*entry.secondName) : json(nullptr)},
          {"recordOffset", entry.recordOffset}};
}

json ToJson(const ManifestVolume& volume) {
  json entries = json::array();
  for (const ManifestEntry& entry : volume.entries) entries.push_back(ToJson(entry));
  json result = {{"names", volume.names},
                 {"label", volume.label},
                 {"deleted", volume.deleted},
                 {"volumeId", KeyText(volume.volumeId)},
                 {"poolScanVolumeId", KeyText(volume.poolScanVolumeId)},
                 {"key", KeyText(volume.key)},
                 {"rootBlock", volume.rootBlock},
                 {"firstLeafBlock", volume.firstLeafBlock},
                 {"recordOffset", volume.recordOffset},
                 {"entries", entries}};
  if (volume.generated) {
    result["generated"] = {{"folders", volume.generated->first},
                           {"files", volume.generated->second}};
  }
  return result;
}

json ToJson(const ManifestPool& pool) {
  json volumes = json::array();
  for (const ManifestVolume& volume : pool.volumes) volumes.push_back(ToJson(volume));
  return {{"name", pool.name},
          {"headerOffset", pool.headerOffset},
          {"poolBase", pool.poolBase},
          {"superBlock", pool.superBlock},
          {"superBlockOffsets", pool.superBlockOffsets},
          {"anchorBlock", pool.anchorBlock},
          {"volumes", volumes}};
}

json ToJson(const ManifestPartition& partition) {
  json result = {{"headerSector", partition.headerSector},
                 {"sizeSectors", partition.sizeSectors},
                 {"link", partition.link}};
  if (partition.pool) result["pool"] = ToJson(*partition.pool);
  if (partition.segmentOf) result["segmentOf"] = *partition.segmentOf;
  if (partition.groupHeaderSector) result["groupHeaderSector"] = *partition.groupHeaderSector;
  return result;
}

}  // namespace

json ManifestToJson(const Manifest& manifest) {
  json disks = json::array();
  for (const ManifestDisk& disk : manifest.disks) {
    json partitions = json::array();
    for (const ManifestPartition& partition : disk.partitions) {
      partitions.push_back(ToJson(partition));
    }
    disks.push_back({{"index", disk.index},
                     {"sizeBytes", disk.sizeBytes},
                     {"bootSignature", disk.bootSignature},
                     {"partitions", partitions}});
  }
  return {{"disks", disks}};
}

Status WriteManifestFile(const Manifest& manifest, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << ManifestToJson(manifest).dump(2) << '\n';
  file.close();
  if (!file) return Error{"cannot write the manifest " + path};
  return {};
}

}  // namespace kestrel::mkimage
