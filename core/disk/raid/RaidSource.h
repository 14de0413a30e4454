// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/Result.h"
#include "disk/ByteSource.h"
#include "disk/raid/RaidGeometry.h"

namespace kestrel::disk {

// One member of an array as it was given: its name for messages, and its source (none for a
// member that is missing).
struct RaidMember {
  std::string name;
  std::shared_ptr<ByteSource> source;
};

// An array read as one source from its members. A chunk that a member cannot give (the member is
// missing, or its read fails) is rebuilt from the other members where the level keeps a copy or
// parity of it; where it does not, the read fails as a failing disk's read does.
class RaidSource : public ByteSource {
 public:
  // The members in array order; AssembleRaid checks them first.
  RaidSource(RaidGeometry geometry, std::vector<std::shared_ptr<ByteSource>> members);

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return size_; }
  void AdviseSequential(std::int64_t offset, std::int64_t length) override;

 private:
  // One part of a request that lies in a single chunk: data chunk k of a row, bytes [start,
  // start + target.size()) of it.
  struct ChunkPiece {
    std::int64_t row;
    int k;
    std::int64_t start;
    std::span<std::uint8_t> target;
  };

  bool ReadSpan(std::int64_t offset, std::span<std::uint8_t> buffer);
  bool ReadMirrored(std::int64_t at, std::span<std::uint8_t> buffer);
  bool ReadStriped(std::int64_t offset, std::span<std::uint8_t> buffer);
  bool ReadRows(std::int64_t offset, std::span<std::uint8_t> buffer);
  std::vector<ChunkPiece> PiecesOf(std::int64_t offset, std::span<std::uint8_t> buffer) const;

  bool RebuildFromRequest(const std::vector<ChunkPiece>& pieces, const std::vector<bool>& read,
                          std::size_t index);
  bool ReadMember(int member, std::int64_t at, std::span<std::uint8_t> buffer);
  bool ReadOrRebuild(std::int64_t row, int member, std::int64_t start,
                     std::span<std::uint8_t> target);
  bool Rebuild(std::int64_t row, int member, std::int64_t start, std::span<std::uint8_t> target);
  bool RebuildBySector(std::int64_t row, int member, std::int64_t start,
                       std::span<std::uint8_t> target);
  std::vector<int> MembersToRebuildFrom(int member) const;

  std::int64_t MemberByte(std::int64_t row, std::int64_t start) const {
    return row * geometry_.stripe + start;
  }

  RaidGeometry geometry_;
  std::vector<std::shared_ptr<ByteSource>> members_;
  std::int64_t size_ = 0;
};

// The array over the members, after the checks that tell a wrong SET from a damaged array: the
// geometry is one that can be read, no more members are missing than the level can lose, every
// member holds a whole chunk after the offset, and (but for a span, whose members differ by nature)
// the members are the same size, since one controller's members are.
app::Result<std::shared_ptr<RaidSource>> AssembleRaid(const RaidGeometry& geometry,
                                                      const std::vector<RaidMember>& members);

}  // namespace kestrel::disk
