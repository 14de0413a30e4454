#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "disk/DiskReader.h"
#include "disk/DriveIdentity.h"

// The operations the system needs from the operating system. Each platform implements them in
// one file; the rest of the system never calls the operating system for a disk directly.
namespace kestrel::platform {

// The real path of physical disk n (a block device or an image file), or "" when there is no disk
// n. KESTREL_NSS_DISKS, when set, is the disk list: its n-th colon-separated entry (an empty
// entry is a missing disk). Otherwise the n-th whole disk of the system in name order.
std::string DiskDevicePath(int n);

// Opens a file or block device read-only.
disk::OpenedSource OpenReadOnly(const std::string& path);

enum class MediaKind { Fixed, Removable };

struct DiskPresence {
  MediaKind kind = MediaKind::Fixed;
  disk::OpenStatus status;  // a disk that exists but cannot be opened says why
};

// Whether disk n exists and how it is attached; nothing when there is no disk n.
std::optional<DiskPresence> FindDisk(int n);

// The real number of 512-byte sectors of disk n; 0 when it cannot be measured.
std::uint64_t DiskSectorCount(int n);

// The drive's own description (ATA IDENTIFY and SMART, else the system's device description).
std::optional<disk::DriveIdentity> IdentifyDrive(int n);

// Raw sector writes to a whole disk; cloning is the only user.
class SectorWriter {
 public:
  virtual ~SectorWriter() = default;
  // Writes count sectors from buffer at the sector; one attempt, no retry.
  virtual bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                            std::span<const std::uint8_t> buffer) = 0;
};

struct OpenedWriter {
  std::unique_ptr<SectorWriter> writer;
  disk::OpenStatus status;
};

// Opens disk n for writing, exclusively: a disk that holds a mounted file system is refused.
OpenedWriter OpenDiskForWriting(int n);

// Path of the log report: KESTREL_NSS_LOG when set, else KestrelNSSLogReport.txt in the home
// folder.
std::string LogReportPath();

}  // namespace kestrel::platform
