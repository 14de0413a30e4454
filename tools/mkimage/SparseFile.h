// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

#include "Status.h"

namespace kestrel::mkimage {

// An output file written sparse: it is sized once and only the bytes that hold data are written.
// Writes are addressed in the coordinates of the whole disk: a file that receives one window of
// the disk (a pool image) keeps the bytes inside its window and drops the rest.
class SparseFile {
 public:
  // Creates (or empties) `path` and sizes it to `size` bytes; it receives disk bytes
  // [windowStart, windowStart + size).
  static Result<SparseFile> Create(const std::string& path, std::uint64_t size,
                                   std::uint64_t windowStart = 0);
  // A file that drops every write, for a disk that is built but not written.
  static SparseFile Discarding();

  SparseFile(SparseFile&& other) noexcept = default;
  SparseFile& operator=(SparseFile&& other) noexcept = default;
  SparseFile(const SparseFile&) = delete;
  SparseFile& operator=(const SparseFile&) = delete;

  bool discards() const { return discards_; }
  Status write(std::uint64_t diskOffset, std::span<const std::uint8_t> bytes);
  // Cuts the file to `size` bytes (a damaged, short image).
  Status truncate(std::uint64_t size);
  Status close();

 private:
  SparseFile() = default;
  SparseFile(std::fstream stream, std::string path, std::uint64_t size, std::uint64_t windowStart);

  std::fstream stream_;
  std::string path_;
  std::uint64_t size_ = 0;
  std::uint64_t windowStart_ = 0;
  bool discards_ = true;
};

}  // namespace kestrel::mkimage
