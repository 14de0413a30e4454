#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "disk/ByteSource.h"
#include "disk/NssLayout.h"

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
// reads never move a shared position, so several threads may read at once.
class DiskReader {
 public:
  DiskReader() = default;
  explicit DiskReader(std::shared_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool IsValid() const { return source_ != nullptr; }
  std::int64_t Size() const { return source_ ? source_->Size() : 0; }

  bool ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const;
  // The range is about to be read once, front to back (a scan window after window).
  void AdviseSequential(std::int64_t offset, std::int64_t length) const;
  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) const;
  // Fill the buffer from the start of a sector, or of pool block n (a whole block, or only its
  // first sector where that is all a structure needs).
  bool ReadSector(std::uint64_t sector, std::span<std::uint8_t> buffer) const;
  bool ReadBlock(std::int64_t poolBase, std::uint64_t n, std::span<std::uint8_t> buffer) const;

 private:
  std::shared_ptr<ByteSource> source_;
};

struct OpenedSource {
  DiskReader reader;
  OpenStatus status;
};

// Opens a disk by its logical name "\\.\PhysicalDrive%d" (resolved by the platform layer) or an
// image file by its path, read-only.
OpenedSource OpenSource(const std::string& path);

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
