// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "disk/ByteSource.h"

namespace kestrel::disk {

// A raw image written in pieces, read as one source: piece n holds the bytes after those of the
// pieces before it. A read that crosses from one piece into the next is served by both.
class SplitRawSource : public ByteSource {
 public:
  struct Piece {
    std::shared_ptr<ByteSource> source;
    std::int64_t start = 0;  // where the piece begins in the whole image
  };

  explicit SplitRawSource(std::vector<std::shared_ptr<ByteSource>> pieces);

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return size_; }
  std::int64_t NextData(std::int64_t offset) const override;

 private:
  // The piece that holds the byte at offset (inside the image).
  const Piece& PieceAt(std::int64_t offset) const;

  std::vector<Piece> pieces_;
  std::int64_t size_ = 0;
};

}  // namespace kestrel::disk
