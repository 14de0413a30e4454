// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "EntryRecord.h"
#include "FileContent.h"
#include "Layout.h"
#include "Status.h"

// What the image builder wrote, for tests that compare a scan with the truth. Offsets are bytes
// from the start of the disk; keys and ids are 64-bit and written as decimal strings.
namespace kestrel::mkimage {

struct ManifestEntry {
  std::string path;
  std::string name;
  EntryKind kind = EntryKind::File;
  std::uint64_t key = 0;
  std::uint64_t parentKey = 0;
  std::uint64_t size = 0;
  bool deleted = false;
  bool skipped = false;         // scanners step over the record
  bool loose = false;           // in a loose block, reached by no chain
  std::vector<Extent> extents;  // as stored: running block totals and start blocks
  std::optional<std::string> secondName;
  std::int64_t recordOffset = 0;
  std::optional<FileContent> content;  // files only; not part of the JSON
};

struct ManifestVolume {
  std::vector<std::string> names;
  std::string label;
  bool deleted = false;
  std::uint64_t volumeId = 0;
  std::uint64_t poolScanVolumeId = 0;  // the id a pool scan reads from the volume record
  std::uint64_t key = 0;
  std::uint32_t rootBlock = 0;
  std::uint32_t firstLeafBlock = 0;  // as the root block names it
  std::int64_t recordOffset = 0;
  std::vector<ManifestEntry> entries;
  std::optional<std::pair<std::uint64_t, std::uint64_t>> generated;  // folders, files
};

struct ManifestPool {
  std::string name;
  std::int64_t headerOffset = 0;
  std::int64_t poolBase = 0;
  bool superBlock = true;
  std::vector<std::int64_t> superBlockOffsets;
  std::uint32_t anchorBlock = 0;
  std::vector<ManifestVolume> volumes;
};

struct ManifestPartition {
  std::uint32_t headerSector = 0;
  std::uint32_t sizeSectors = 0;
  std::uint32_t link = 0;
  std::optional<ManifestPool> pool;
  std::optional<std::string> segmentOf;
  std::optional<std::uint32_t> groupHeaderSector;
};

struct ManifestDisk {
  std::size_t index = 0;
  std::uint64_t sizeBytes = 0;
  bool bootSignature = true;
  std::vector<ManifestPartition> partitions;
};

struct Manifest {
  std::vector<ManifestDisk> disks;
};

nlohmann::ordered_json ManifestToJson(const Manifest& manifest);
Status WriteManifestFile(const Manifest& manifest, const std::string& path);

}  // namespace kestrel::mkimage
