// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "disk/ByteSource.h"
#include "disk/NssLayout.h"
#include "disk/container/ContainerKind.h"

namespace kestrel::disk {

using SectorBuffer = std::array<std::uint8_t, layout::kSectorSize>;
using BlockBuffer = std::array<std::uint8_t, layout::kBlockSize>;

enum class OpenError { None, NotFound, PermissionDenied, Failed };

struct OpenStatus {
  OpenError error = OpenError::None;
  std::string message;  // why the source did not open, for the person at the screen

  bool ok() const { return error == OpenError::None; }
};

// One open source with positioned reads at signed 64-bit byte offsets. Copies share the source;
// reads never move a shared position, so several threads may read at once. Copies also share the
// count of sectors that could not be read and were taken as zeros (ReadSectorOrZeros,
// ReadAround), so that an operation can say what it could not read.
class DiskReader {
 public:
  DiskReader() = default;
  explicit DiskReader(std::shared_ptr<ByteSource> source)
      : source_(std::move(source)),
        zeroedSectors_(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

  bool IsValid() const { return source_ != nullptr; }
  const std::shared_ptr<ByteSource>& Source() const { return source_; }
  std::int64_t Size() const { return source_ ? source_->Size() : 0; }

  bool ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const;
  // The range is about to be read once, front to back (a scan window after window).
  void AdviseSequential(std::int64_t offset, std::int64_t length) const;
  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) const;
  std::int64_t NextData(std::int64_t offset) const {
    return source_ ? source_->NextData(offset) : offset;
  }
  // Fill the buffer from the start of a sector, or of pool block n (a whole block, or only its
  // first sector where that is all a structure needs).
  bool ReadSector(std::uint64_t sector, std::span<std::uint8_t> buffer) const;
  bool ReadBlock(std::int64_t poolBase, std::uint64_t n, std::span<std::uint8_t> buffer) const;

  // Sectors taken as zeros so far; an operation compares the count before and after it.
  std::uint64_t ZeroedSectors() const { return zeroedSectors_ ? zeroedSectors_->load() : 0; }
  void CountZeroedSectors(std::uint64_t sectors) const {
    if (zeroedSectors_) *zeroedSectors_ += sectors;
  }

 private:
  std::shared_ptr<ByteSource> source_;
  std::shared_ptr<std::atomic<std::uint64_t>> zeroedSectors_;
};

// What the log and the command line say of sectors an operation took as zeros.
std::string ZeroedSectorsText(std::uint64_t sectors);
// What a scan that took sectors as zeros says: what it found is incomplete.
std::string IncompleteScanText(std::uint64_t zeroedSectors);

// The sectors an operation took as zeros: started before it, asked after it.
class ZeroedSectorCount {
 public:
  explicit ZeroedSectorCount(const DiskReader& reader)
      : reader_(reader), before_(reader.ZeroedSectors()) {}
  std::uint64_t Since() const { return reader_.ZeroedSectors() - before_; }

 private:
  const DiskReader& reader_;
  std::uint64_t before_;
};

struct OpenedSource {
  DiskReader reader;
  OpenStatus status;
  ContainerKind container = ContainerKind::Raw;  // what an image file holds the disk in
  std::vector<std::string> containerFacts = {};  // what the container records of the disk
};

// Opens a disk by its logical name "\\.\PhysicalDrive%d" (resolved by the platform layer), an
// image file by its path, or a RAID set by "raid:" and its definition, read-only; an image in a
// container is read through it. A stop request ends the check a container's opening makes (the
// members of a RAID set are opened to the end).
OpenedSource OpenSource(const std::string& path, std::stop_token stop = {});

// The 512 bytes at offset; a sector that cannot be read reads as zeros, never as stale bytes.
SectorBuffer ReadSectorOrZeros(const DiskReader& reader, std::int64_t offset);

// Fills the buffer from offset as far as the source reaches and returns how many bytes that is.
// A request that fails is read again sector by sector; a sector that cannot be read is zeros, so
// that one bad sector never hides the rest of the request.
std::size_t ReadAround(const DiskReader& reader, std::int64_t offset,
                       std::span<std::uint8_t> buffer);

// Byte offset of a sector, absent when it lies beyond the 64-bit range.
std::optional<std::int64_t> SectorOffset(std::uint64_t sector);

}  // namespace kestrel::disk
