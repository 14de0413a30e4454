// SPDX-License-Identifier: Apache-2.0
#include "MkImage.h"

#include <fstream>
#include <sstream>

#include "DemoLayout.h"
#include "DiskBuilder.h"
#include "DiskPlan.h"
#include "LayoutParser.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

struct PoolLocation {
  std::size_t disk = 0;
  std::size_t partition = 0;
};

// Every partition that holds a pool of this name.
std::vector<PoolLocation> FindPools(const Layout& layout, const std::string& name) {
  std::vector<PoolLocation> found;
  for (std::size_t d = 0; d < layout.disks.size(); ++d) {
    const auto& partitions = layout.disks[d].partitions;
    for (std::size_t p = 0; p < partitions.size(); ++p) {
      if (partitions[p].pool && partitions[p].pool->name == name) found.push_back({d, p});
    }
  }
  return found;
}

// The file that receives disk `index`: its image, the pool image window, or nothing.
Result<SparseFile> OpenOutput(const OutputRequest& request, const DiskPlan& plan, std::size_t index,
                              const std::optional<PoolLocation>& pool) {
  if (!pool) return SparseFile::Create(request.imagePaths[index], plan.sizeBytes);
  if (pool->disk != index) return SparseFile::Discarding();
  const PartitionPlace& place = plan.partitions[pool->partition];
  return SparseFile::Create(request.imagePaths.front(),
                            std::uint64_t{place.sizeSectors} * nss::kSectorSize,
                            std::uint64_t{place.startSector} * nss::kSectorSize);
}

Result<ManifestDisk> BuildOneDisk(const DiskLayout& disk, std::size_t index,
                                  const OutputRequest& request,
                                  const std::optional<PoolLocation>& pool) {
  Result<DiskPlan> plan = PlanDisk(disk);
  if (!plan) return plan.error();
  Result<SparseFile> image = OpenOutput(request, *plan, index, pool);
  if (!image) return image.error();
  Result<ManifestDisk> manifest = BuildDisk(disk, index, *plan, *image);
  if (!manifest) return manifest.error();
  if (disk.truncateBytes && !pool) {
    if (Status status = image->truncate(*disk.truncateBytes); !status) return status.error();
    manifest->sizeBytes = *disk.truncateBytes;
  }
  if (Status status = image->close(); !status) return status.error();
  return manifest;
}

}  // namespace

Result<Layout> LoadLayout(const std::string& fileOrDemo) {
  if (fileOrDemo == "demo") return ParseLayout(DemoLayoutJson());
  std::ifstream file(fileOrDemo, std::ios::binary);
  if (!file) return Error{"cannot open the layout " + fileOrDemo};
  std::stringstream text;
  text << file.rdbuf();
  Result<Layout> layout = ParseLayout(text.str());
  if (!layout) return InContext(fileOrDemo, layout.error());
  return layout;
}

Status CheckOutputs(const Layout& layout, const OutputRequest& request) {
  if (request.poolImage) {
    if (request.imagePaths.size() != 1) return Error{"--pool-image takes exactly one --out"};
    const std::size_t pools = FindPools(layout, *request.poolImage).size();
    if (pools != 1) {
      return Error{"--pool-image needs exactly one pool named \"" + *request.poolImage +
                   "\"; the layout has " + std::to_string(pools)};
    }
  } else if (request.imagePaths.size() != layout.disks.size()) {
    return Error{"the layout has " + std::to_string(layout.disks.size()) + " disk(s) but " +
                 std::to_string(request.imagePaths.size()) + " --out were given"};
  }
  return {};
}

Result<Manifest> BuildImages(const Layout& layout, const OutputRequest& request) {
  if (Status status = CheckOutputs(layout, request); !status) return status.error();
  std::optional<PoolLocation> pool;
  if (request.poolImage) pool = FindPools(layout, *request.poolImage).front();
  Manifest manifest;
  for (std::size_t i = 0; i < layout.disks.size(); ++i) {
    Result<ManifestDisk> disk = BuildOneDisk(layout.disks[i], i, request, pool);
    if (!disk) return InContext("disk " + std::to_string(i), disk.error());
    manifest.disks.push_back(std::move(*disk));
  }
  return manifest;
}

}  // namespace kestrel::mkimage
