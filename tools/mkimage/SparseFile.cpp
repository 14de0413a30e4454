// SPDX-License-Identifier: Apache-2.0
#include "SparseFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace kestrel::mkimage {
namespace {

namespace fs = std::filesystem;

Error SystemError(const std::string& what, const std::string& path) {
  return Error{"cannot " + what + " " + path + ": " + std::strerror(errno)};
}

Error SystemError(const std::string& what, const std::string& path, const std::error_code& code) {
  return Error{"cannot " + what + " " + path + ": " + code.message()};
}

}  // namespace

SparseFile::SparseFile(std::fstream stream, std::string path, std::uint64_t size,
                       std::uint64_t windowStart)
    : stream_(std::move(stream)),
      path_(std::move(path)),
      size_(size),
      windowStart_(windowStart),
      discards_(false) {}

// The file is sized by the file system (a hole on those that keep sparse files); only the bytes
// written later take room.
Result<SparseFile> SparseFile::Create(const std::string& path, std::uint64_t size,
                                      std::uint64_t windowStart) {
  const fs::path file(path);
  if (!std::fstream(file, std::ios::out | std::ios::trunc | std::ios::binary))
    return SystemError("create", path);
  std::error_code code;
  fs::resize_file(file, size, code);
  if (code) return SystemError("size", path, code);
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  if (!stream) return SystemError("open", path);
  return SparseFile(std::move(stream), path, size, windowStart);
}

SparseFile SparseFile::Discarding() {
  return SparseFile();
}

Status SparseFile::write(std::uint64_t diskOffset, std::span<const std::uint8_t> bytes) {
  if (discards()) return {};
  const std::uint64_t begin = std::max(diskOffset, windowStart_);
  const std::uint64_t end = std::min(diskOffset + bytes.size(), windowStart_ + size_);
  if (begin >= end) return {};
  stream_.seekp(static_cast<std::streamoff>(begin - windowStart_));
  stream_.write(reinterpret_cast<const char*>(bytes.data() + (begin - diskOffset)),
                static_cast<std::streamsize>(end - begin));
  if (!stream_) return SystemError("write", path_);
  return {};
}

Status SparseFile::truncate(std::uint64_t size) {
  if (discards()) return {};
  if (!stream_.flush()) return SystemError("write", path_);
  std::error_code code;
  fs::resize_file(path_, size, code);
  if (code) return SystemError("truncate", path_, code);
  return {};
}

Status SparseFile::close() {
  if (discards() || !stream_.is_open()) return {};
  stream_.close();
  if (!stream_) return SystemError("close", path_);
  return {};
}

}  // namespace kestrel::mkimage
