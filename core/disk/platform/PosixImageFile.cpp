// Image files on POSIX systems: created with open, written with pwrite at 64-bit offsets.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "disk/platform/ImageFile.h"

namespace kestrel::platform {
namespace {

using disk::OpenError;

class ImageFileWriter : public SectorWriter {
 public:
  explicit ImageFileWriter(int fd) : fd_(fd) {}
  ImageFileWriter(const ImageFileWriter&) = delete;
  ImageFileWriter& operator=(const ImageFileWriter&) = delete;
  ~ImageFileWriter() override { ::close(fd_); }

  // A write that the file system cuts short is continued, so that the failure that follows says
  // why (a full disk: ENOSPC) instead of passing for a success.
  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t> buffer) override {
    const auto offset = disk::SectorOffset(sector);
    const std::size_t bytes = std::size_t{count} * disk::layout::kSectorSize;
    if (!offset || buffer.size() < bytes) return false;
    for (std::size_t done = 0; done < bytes;) {
      const ssize_t written = ::pwrite(fd_, buffer.data() + done, bytes - done,
                                       *offset + static_cast<std::int64_t>(done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += static_cast<std::size_t>(written);
    }
    return true;
  }

 private:
  int fd_;
};

disk::OpenStatus Failed(const std::string& path, const std::string& why) {
  return {OpenError::Failed, path + ": " + why};
}

}  // namespace

// The file is opened before it is emptied, and emptied only once it is known to be a plain file:
// O_TRUNC would be ignored by a disk, and the writes would then go onto the disk. O_NONBLOCK keeps
// a named pipe from holding the open until a reader comes.
OpenedWriter CreateImageFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return {nullptr, Failed(path, std::generic_category().message(errno))};
  auto writer = std::make_unique<ImageFileWriter>(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return {nullptr, Failed(path, "is not a plain file; an image is written to a file")};
  }
  if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, 0) != 0) {
    return {nullptr, Failed(path, std::generic_category().message(errno))};
  }
  return {std::move(writer), {}};
}

}  // namespace kestrel::platform
