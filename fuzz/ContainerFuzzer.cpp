// SPDX-License-Identifier: Apache-2.0
// Feeds the input as a container file of one kind (KESTREL_CONTAINER, a ContainerKind) to the
// library that reads that kind, through our source: it must open or refuse, and every read of
// what opened must succeed within the media size or fail, never crash. The kind is forced rather
// than told by the signature, so that inputs whose signature the mutations broke still reach the
// library's parser. The libraries open files by name, so the input is written to a file in
// memory first.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "disk/container/ImageFile.h"

using namespace kestrel;

namespace {

constexpr disk::ContainerKind kKind = disk::ContainerKind::KESTREL_CONTAINER;

// The name a file of the kind has: libewf finds a segment set by its first segment's extension.
constexpr const char* Extension(disk::ContainerKind kind) {
  return kind == disk::ContainerKind::Ewf ? ".E01" : ".bin";
}

// One file per fuzzing process, rewritten for each input and removed when the process ends.
class InputFile {
 public:
  InputFile()
      : path_("/dev/shm/kestrel-fuzz-container-" + std::to_string(getpid()) + Extension(kKind)) {}
  ~InputFile() { std::remove(path_.c_str()); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& path() const { return path_; }
  bool Write(const std::uint8_t* data, std::size_t size) const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
  }

 private:
  std::string path_;
};

// Reads at the start, the end and across the middle of the media, as scans and recovery do.
void ReadAround(const disk::DiskReader& reader) {
  const std::int64_t size = reader.Size();
  if (size < 0) std::abort();
  std::array<std::uint8_t, 65536> buffer{};
  for (const std::int64_t offset : {std::int64_t{0}, size / 2 - 1000, size - 512, size - 1, size}) {
    if (offset < 0) continue;
    const auto read = reader.ReadSome(offset, buffer);
    if (read && offset + static_cast<std::int64_t>(*read) > size) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const InputFile input;
  if (!input.Write(data, size)) return 0;
  const disk::OpenedSource opened = disk::OpenLibraryContainer(kKind, input.path());
  if (opened.status.ok()) ReadAround(opened.reader);
  return 0;
}
