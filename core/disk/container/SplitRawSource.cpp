// SPDX-License-Identifier: Apache-2.0
#include "disk/container/SplitRawSource.h"

#include <algorithm>

namespace kestrel::disk {

SplitRawSource::SplitRawSource(std::vector<std::shared_ptr<ByteSource>> pieces) {
  for (auto& piece : pieces) {
    const std::int64_t size = piece->Size();
    if (size <= 0) continue;  // an empty piece holds no byte of the image
    pieces_.push_back({std::move(piece), size_});
    size_ += size;
  }
}

const SplitRawSource::Piece& SplitRawSource::PieceAt(std::int64_t offset) const {
  const auto after =
      std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                       [](std::int64_t at, const Piece& piece) { return at < piece.start; });
  return *std::prev(after);
}

std::optional<std::size_t> SplitRawSource::ReadSome(std::int64_t offset,
                                                    std::span<std::uint8_t> buffer) {
  if (offset < 0) return std::nullopt;
  std::size_t done = 0;
  while (done < buffer.size() && offset < size_) {
    const Piece& piece = PieceAt(offset);
    const std::int64_t end = piece.start + piece.source->Size();
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(end - offset, static_cast<std::int64_t>(buffer.size() - done)));
    const auto read = piece.source->ReadSome(offset - piece.start, buffer.subspan(done, wanted));
    if (!read) return std::nullopt;  // read again in smaller parts, the good ones are kept
    done += *read;
    offset += static_cast<std::int64_t>(*read);
    if (*read < wanted) break;  // the piece is shorter than it was: the image ends here
  }
  return done;
}

std::int64_t SplitRawSource::NextData(std::int64_t offset) const {
  while (offset >= 0 && offset < size_) {
    const Piece& piece = PieceAt(offset);
    const std::int64_t end = piece.start + piece.source->Size();
    const std::int64_t next = piece.start + piece.source->NextData(offset - piece.start);
    if (next < end) return next;
    offset = end;  // the rest of this piece is a hole
  }
  return std::min(offset, size_);
}

}  // namespace kestrel::disk
