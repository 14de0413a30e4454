// SPDX-License-Identifier: Apache-2.0
#include "diskscan/DiskScanner.h"

#include "app/SizeText.h"
#include "disk/NameBlock.h"
#include "disk/NssStructures.h"
#include "disk/PoolProbe.h"
#include "disk/WindowReader.h"

namespace kestrel::diskscan {
namespace {

constexpr std::size_t kSector = disk::layout::kSectorSize;
constexpr auto kSignatureStart =
    static_cast<std::uint8_t>(disk::layout::kPartitionSignature[0]);  // most sectors fail here

// Looks at every sector for a header and examines each one found; false when stopped.
bool SearchHeaders(const disk::DiskReader& reader, const std::string& sourcePath,
                   app::ProgressObserver& observer, const std::stop_token& stop,
                   const PoolFound& found, DiskScanResult& result) {
  const auto total = static_cast<std::uint64_t>(reader.Size());
  disk::WindowReader windows(reader, 0, reader.Size());
  while (!stop.stop_requested()) {
    const auto next = windows.Next();
    if (!next) return true;
    const std::int64_t position = next->offset;
    const disk::ByteView window = next->bytes;
    const std::string status =
        app::Format("Reading Sector: %lld", static_cast<long long>(position / 512));
    for (std::size_t offset = 0; offset + kSector <= window.size(); offset += kSector) {
      if (window[offset] != kSignatureStart ||
          !disk::IsPartitionHeader(window.subspan(offset, kSector)))
        continue;
      if (stop.stop_requested()) return false;
      const disk::ByteView header = window.subspan(offset, kSector);
      const std::int64_t headerOffset = position + static_cast<std::int64_t>(offset);
      result.chain.push_back({static_cast<std::uint64_t>(headerOffset / 512),
                              disk::NextPartitionHeaderSector(header)});
      if (auto pool = disk::ProbePool(reader, headerOffset, header, sourcePath,
                                      disk::DamagedSuperBlock::Offer)) {
        if (found) found(*pool);
        result.pools.push_back(std::move(*pool));
      }
    }
    observer.OnProgress({static_cast<std::uint64_t>(position) + window.size(), total, status});
  }
  return false;
}

}  // namespace

DiskScanResult ScanDisk(const disk::DiskReader& reader, const std::string& sourcePath,
                        app::ProgressObserver& observer, std::stop_token stop,
                        const PoolFound& found) {
  const disk::ZeroedSectorCount zeroed(reader);
  DiskScanResult result;
  result.stopped = !SearchHeaders(reader, sourcePath, observer, stop, found, result);
  result.zeroedSectors = zeroed.Since();
  return result;
}

std::u16string DiskScanPoolLabel(const disk::PoolEntry& pool) {
  return u"Pool :    " + pool.name + pool.DamageMark();
}

std::u16string DiskScanVolumeLabel(const disk::VolumeEntry& volume) {
  return u"Volume :   " + disk::JoinNames(volume.names);
}

}  // namespace kestrel::diskscan
