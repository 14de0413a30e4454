#include "SparseFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kestrel::mkimage {
namespace {

Error SystemError(const std::string& what, const std::string& path) {
  return Error{"cannot " + what + " " + path + ": " + std::strerror(errno)};
}

}  // namespace

SparseFile::SparseFile(int descriptor, std::string path, std::uint64_t size,
                       std::uint64_t windowStart)
    : descriptor_(descriptor), path_(std::move(path)), size_(size), windowStart_(windowStart) {}

Result<SparseFile> SparseFile::Create(const std::string& path, std::uint64_t size,
                                      std::uint64_t windowStart) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) return SystemError("create", path);
  SparseFile file(descriptor, path, size, windowStart);
  if (::ftruncate(descriptor, static_cast<off_t>(size)) != 0) return SystemError("size", path);
  return file;
}

SparseFile SparseFile::Discarding() {
  return SparseFile(-1, "", 0, 0);
}

SparseFile::SparseFile(SparseFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      path_(std::move(other.path_)),
      size_(other.size_),
      windowStart_(other.windowStart_) {}

SparseFile& SparseFile::operator=(SparseFile&& other) noexcept {
  std::swap(descriptor_, other.descriptor_);
  std::swap(path_, other.path_);
  std::swap(size_, other.size_);
  std::swap(windowStart_, other.windowStart_);
  return *this;
}

SparseFile::~SparseFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

Status SparseFile::write(std::uint64_t diskOffset, std::span<const std::uint8_t> bytes) {
  if (discards()) return {};
  const std::uint64_t begin = std::max(diskOffset, windowStart_);
  const std::uint64_t end = std::min(diskOffset + bytes.size(), windowStart_ + size_);
  for (std::uint64_t at = begin; at < end;) {
    const std::uint8_t* from = bytes.data() + (at - diskOffset);
    const ssize_t written =
        ::pwrite(descriptor_, from, end - at, static_cast<off_t>(at - windowStart_));
    if (written <= 0) return SystemError("write", path_);
    at += static_cast<std::uint64_t>(written);
  }
  return {};
}

Status SparseFile::truncate(std::uint64_t size) {
  if (descriptor_ >= 0 && ::ftruncate(descriptor_, static_cast<off_t>(size)) != 0) {
    return SystemError("truncate", path_);
  }
  return {};
}

Status SparseFile::close() {
  const int descriptor = std::exchange(descriptor_, -1);
  if (descriptor >= 0 && ::close(descriptor) != 0) return SystemError("close", path_);
  return {};
}

}  // namespace kestrel::mkimage
