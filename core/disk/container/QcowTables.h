// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "disk/DiskReader.h"

namespace kestrel::disk {

// Why a QCOW2 file (version 2 or 3) cannot be handed to libqcow: its L1 table, an L2 table or an
// uncompressed cluster that its tables name ends past the end of the file, as in a file cut short
// by a failed copy, or a table or cluster is named by an entry with reserved bits set or off a
// cluster boundary. libqcow reads past the end of its own buffers on such files, so the file is
// refused first, naming the offset; so is an L1 table larger than any image holds. Each L2 table is
// read once however many entries name it, so the work is bounded by the file's size, and a stop
// request ends it (kQcowCheckStopped). Nothing when every one is sound, and for what this check
// does not read (version 1, extended L2 entries, a header too short): the library judges those.
std::optional<std::string> QcowTablesDamaged(const DiskReader& file, std::stop_token stop = {});
inline constexpr std::string_view kQcowCheckStopped = "stopped while its tables were checked";

// A QCOW2 image whose clusters stored as they are read straight from its file, a run of clusters
// that follow each other in the file in one read; libqcow copies each cluster through a cache of
// its own, one read at a time. Every other cluster (compressed, all zeros, not allocated and so
// the backing file's or zeros, or an entry with bits a sound file never sets) is read through
// libqcow, as is every cluster of an image whose header this reading does not cover (encrypted,
// data in an external file, extended L2 entries, a damaged header).
class QcowSource : public ByteSource {
 public:
  // The image through `library`, with direct reads from `file` where its header allows them.
  static std::shared_ptr<ByteSource> Over(DiskReader file, std::shared_ptr<ByteSource> library);

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return library_->Size(); }
  void AdviseSequential(std::int64_t offset, std::int64_t length) override;

 private:
  using Table = std::vector<std::uint64_t>;
  struct CachedTable {
    std::uint64_t l1Index = 0;
    std::shared_ptr<const Table> l2;
  };

  QcowSource(DiskReader file, std::shared_ptr<ByteSource> library, unsigned clusterBits, Table l1);

  // Where the guest cluster lies in the file when it is stored as it is.
  std::optional<std::uint64_t> StoredAt(std::uint64_t cluster);
  std::shared_ptr<const Table> L2Table(std::uint64_t l1Index);
  // Bytes from `offset` up to the end of the run of clusters that are read the same way as the
  // first (straight from the file and one after another there, or all through the library).
  std::size_t RunLength(std::uint64_t offset, std::size_t most);

  DiskReader file_;
  std::shared_ptr<ByteSource> library_;
  unsigned clusterBits_;
  Table l1_;
  std::mutex cacheMutex_;
  std::vector<CachedTable> cache_;  // the L2 tables read last, the newest at the back
};

}  // namespace kestrel::disk
