// SPDX-License-Identifier: Apache-2.0
#include "ExpectedFiles.h"

#include <filesystem>
#include <set>

#include "EntryPath.h"

namespace kestrel::mkimage {
namespace {

namespace fs = std::filesystem;

class ExpectedTree {
 public:
  explicit ExpectedTree(fs::path root) : root_(std::move(root)) {}

  Status add(const ManifestEntry& entry, const fs::path& volumeFolder, const std::string& path) {
    const fs::path target = volumeFolder / fs::path(path).relative_path();
    if (!written_.insert(target.string()).second) {
      return Error{"two entries would be written to " + target.string()};
    }
    std::error_code problem;
    fs::create_directories(entry.content ? target.parent_path() : target, problem);
    if (problem) return Error{"cannot create " + target.string() + ": " + problem.message()};
    if (!entry.content) return {};
    Result<SparseFile> file = SparseFile::Create(target.string(), entry.content->size());
    if (!file) return file.error();
    Status status = CopyContent(*entry.content, 0, entry.content->size(), *file, 0);
    return status ? file->close() : status;
  }

  Status addVolume(const std::string& poolName, const ManifestVolume& volume) {
    const fs::path folder = root_ / poolName / volume.label;
    for (const ManifestEntry& entry : volume.entries) {
      if (entry.skipped) continue;
      Status status = add(entry, folder, entry.path);
      if (status && entry.secondName) {
        status = add(entry, folder, JoinPath(ParentPath(entry.path), *entry.secondName));
      }
      if (!status) return status;
    }
    return {};
  }

 private:
  fs::path root_;
  std::set<std::string> written_;
};

}  // namespace

Status WriteExpectedFiles(const Manifest& manifest, const std::string& directory) {
  ExpectedTree tree{fs::path(directory)};
  for (const ManifestDisk& disk : manifest.disks) {
    for (const ManifestPartition& partition : disk.partitions) {
      if (!partition.pool) continue;
      for (const ManifestVolume& volume : partition.pool->volumes) {
        if (Status status = tree.addVolume(partition.pool->name, volume); !status) return status;
      }
    }
  }
  return {};
}

}  // namespace kestrel::mkimage
