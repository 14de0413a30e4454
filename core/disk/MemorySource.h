// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "disk/ByteSource.h"

namespace kestrel::disk {

// A source held in memory: fuzzers, tests, and decoded buffers.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// A memory source with bad sectors: any read that touches one of them fails, as a request to a
// failing disk does, so bad-sector handling can be tested without a failing disk.
class FaultyMemorySource : public MemorySource {
 public:
  FaultyMemorySource(std::vector<std::uint8_t> bytes, std::set<std::uint64_t> badSectors)
      : MemorySource(std::move(bytes)), badSectors_(std::move(badSectors)) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;

 private:
  bool TouchesBadSector(std::int64_t offset, std::size_t size) const;

  std::set<std::uint64_t> badSectors_;
};

}  // namespace kestrel::disk
