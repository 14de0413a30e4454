// SPDX-License-Identifier: Apache-2.0
#include "disk/WindowReader.h"

#include <algorithm>

namespace kestrel::disk {

WindowReader::WindowReader(const DiskReader& reader, std::int64_t from, std::int64_t to,
                           std::size_t window)
    : reader_(reader), position_(from), end_(std::min(to, reader.Size())), buffer_(window) {
  reader_.AdviseSequential(from, end_ - from);
}

std::size_t WindowReader::WindowAt(std::int64_t offset) const {
  if (offset >= end_) return 0;
  return static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer_.size()), end_ - offset));
}

void WindowReader::SkipHole() {
  const std::int64_t data = std::min(reader_.NextData(position_), end_);
  if (data <= position_) return;
  const auto window = static_cast<std::int64_t>(buffer_.size());
  position_ += (data - position_) / window * window;
}

std::optional<ScanWindow> WindowReader::Next() {
  SkipHole();
  const std::size_t want = WindowAt(position_);
  if (want == 0) return std::nullopt;
  const ScanWindow window{
      position_, buffer_.span().first(ReadAround(reader_, position_, buffer_.span().first(want)))};
  position_ += static_cast<std::int64_t>(want);
  return window;
}

}  // namespace kestrel::disk
