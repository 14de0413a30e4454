// SPDX-License-Identifier: Apache-2.0
#include "savedscan/ScanFileReader.h"

#include <algorithm>
#include <array>

#include "disk/ReadBuffer.h"
#include "savedscan/ScanFileFormat.h"

namespace kestrel::savedscan {
namespace {

// Sequential reads over a source through a 1 MiB buffer, so that millions of small records cost
// few requests.
class SequentialReader {
 public:
  SequentialReader(const disk::DiskReader& source, std::int64_t offset)
      : source_(source), offset_(offset) {}

  // Fills the buffer with the next bytes; false when the source has fewer, or when a read fails
  // (FailedAt then says where).
  bool Read(std::span<std::uint8_t> out) {
    if (Remaining() < static_cast<std::int64_t>(out.size())) return false;
    for (std::size_t done = 0; done < out.size();) {
      if (position_ == filled_ && !Refill()) {
        failedAt_ = offset_;
        return false;
      }
      const std::size_t count = std::min(out.size() - done, filled_ - position_);
      std::copy_n(buffer_.data() + position_, count,
                  out.begin() + static_cast<std::ptrdiff_t>(done));
      position_ += count;
      done += count;
    }
    return true;
  }

  std::optional<std::int64_t> FailedAt() const { return failedAt_; }

  std::int64_t Remaining() const {
    return source_.Size() - offset_ + static_cast<std::int64_t>(filled_ - position_);
  }

 private:
  bool Refill() {
    filled_ = source_.ReadSome(offset_, buffer_.span()).value_or(0);
    offset_ += static_cast<std::int64_t>(filled_);
    position_ = 0;
    return filled_ != 0;
  }

  const disk::DiskReader& source_;
  std::int64_t offset_;
  disk::ReadBuffer buffer_{1 << 20};
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  std::optional<std::int64_t> failedAt_;
};

constexpr std::size_t kRecordsPerReport = 4096;

std::string UnreadableText(const std::string& path, std::int64_t offset) {
  return path + ": could not be read at byte " + std::to_string(offset);
}

ScanFileRecord DecodeFixedPart(disk::ByteView fixed) {
  ScanFileRecord record;
  record.parentKey = disk::ReadU64(fixed, format::kParentKey);
  record.key = disk::ReadU64(fixed, format::kKey);
  record.size = disk::ReadU32(fixed, format::kSize);
  record.extentBlocks = disk::ReadU32(fixed, format::kExtentBlocks);
  record.extentStart = disk::ReadU32(fixed, format::kExtentStart);
  record.state = static_cast<volume::ItemState>(disk::ReadU8(fixed, format::kState));
  return record;
}

}  // namespace

SavedScan ParseScanRecords(const disk::DiskReader& source) {
  app::NoProgress quiet;
  return ParseScanRecords(source, quiet);
}

SavedScan ParseScanRecords(const disk::DiskReader& source, app::ProgressObserver& observer) {
  SavedScan scan;
  const auto size = static_cast<std::uint64_t>(source.Size());
  scan.records.reserve(static_cast<std::size_t>(source.Size()) /
                       64);  // the size of a typical record
  SequentialReader input(source, static_cast<std::int64_t>(kScanFileBanner.size()));
  std::array<std::uint8_t, format::kFixedBytes> fixed{};
  std::vector<std::uint8_t> name;
  while (input.Read(fixed)) {
    const std::size_t units = disk::ReadU16(fixed, format::kNameUnits);
    if (input.Remaining() < static_cast<std::int64_t>(2 * units))
      break;  // the last record is cut short
    name.resize(2 * units);
    if (!input.Read(name)) break;
    ScanFileRecord record = DecodeFixedPart(fixed);
    record.name = disk::ReadUtf16(name, 0, units);
    scan.records.push_back(std::move(record));
    if (scan.records.size() % kRecordsPerReport == 0)
      observer.OnProgress({size - static_cast<std::uint64_t>(input.Remaining()), size});
  }
  scan.unreadableAt = input.FailedAt();
  observer.OnProgress({size, size});
  return scan;
}

app::Result<SavedScan> ReadScanFile(const std::string& path, const app::LogReport& log) {
  app::NoProgress quiet;
  return ReadScanFile(path, log, quiet);
}

app::Result<SavedScan> ReadScanFile(const std::string& path, const app::LogReport& log,
                                    app::ProgressObserver& observer) {
  log.AppendLogEntry("Resume recovery using saved scan information");
  const disk::OpenedSource opened = disk::OpenSource(path);
  if (!opened.status.ok()) return app::Failure{std::string(kNotAScanFileText)};
  std::array<std::uint8_t, kScanFileBanner.size()> banner{};
  if (opened.reader.Size() >= static_cast<std::int64_t>(banner.size()) &&
      !opened.reader.ReadAt(0, banner))
    return app::Failure{UnreadableText(path, 0)};
  if (ClassifySourceFile(banner) != SourceFileKind::ScanInformation) {
    return app::Failure{path +
                        ": is no scan information file (it is taken for a disk or pool image)"};
  }
  SavedScan scan = ParseScanRecords(opened.reader, observer);
  if (scan.unreadableAt) return app::Failure{UnreadableText(path, *scan.unreadableAt)};
  return scan;
}

}  // namespace kestrel::savedscan
