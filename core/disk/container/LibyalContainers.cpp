// SPDX-License-Identifier: Apache-2.0
// The containers the libyal libraries read: EWF (libewf), VMDK (libvmdk), VHD and VHDX (libvhdi),
// QCOW2 (libqcow). Each library has the same shape: a handle opened on a path, reads at an
// offset, the media size, a parent for a differencing image, and errors as objects that print
// themselves. A handle keeps a read position and caches of its own, so its reads are taken one
// at a time.
#include <libewf.h>
#include <libqcow.h>
#include <libvhdi.h>
#include <libvmdk.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>
#include <mutex>
#include <stop_token>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Result.h"
#include "disk/UnreadRanges.h"
#include "disk/container/ImageFile.h"
#include "disk/container/LibyalError.h"
#include "disk/container/QcowTables.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::disk {
namespace {

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

// A zero-terminated UTF-8 text a library wrote into a buffer.
template <std::size_t Size>
std::string Text(const std::array<std::uint8_t, Size>& buffer) {
  const auto end = std::find(buffer.begin(), buffer.end(), 0);
  return std::string(buffer.begin(), end);
}

// A parent's name as a differencing image records it: used as it stands when that file exists,
// else looked for beside the child (a name recorded on another machine, such as a Windows path).
std::string ParentPath(const std::string& child, const std::string& recorded) {
  const std::filesystem::path named = platform::Utf8Path(recorded);
  const std::filesystem::path folder = platform::Utf8Path(child).parent_path();
  if (named.is_absolute() && platform::PathExists(recorded)) return recorded;
  const std::filesystem::path beside = folder / named;
  if (platform::PathExists(platform::Utf8Text(beside))) return platform::Utf8Text(beside);
  std::string base = recorded.substr(recorded.find_last_of("/\\") + 1);
  return platform::Utf8Text(folder / platform::Utf8Path(base));
}

struct Ewf {
  using Handle = libewf_handle_t;
  using Error = libewf_error_t;
  static constexpr auto ErrorText = TakeErrorText<Error, libewf_error_sprint, libewf_error_free>;

  static int Initialize(Handle** handle, Error** error) {
    return libewf_handle_initialize(handle, error);
  }
  // The whole segment set, found from the first segment's name. The set opens as far as its
  // segments follow each other; the last one found tells by its closing section whether one is
  // missing after it.
  static std::optional<std::string> Open(Handle* handle, const std::string& path, std::stop_token) {
    Error* error = nullptr;
    char** names = nullptr;
    int count = 0;
    if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &error) != 1)
      return ErrorText(error);
    const int opened = libewf_handle_open(handle, names, count, LIBEWF_OPEN_READ, &error);
    libewf_glob_free(names, count, nullptr);
    if (opened != 1) return ErrorText(error);
    if (libewf_handle_segment_files_corrupted(handle, nullptr) == 0) return std::nullopt;
    libewf_handle_close(handle, nullptr);
    return "a segment file is missing or damaged: the " + std::to_string(count) +
           " segments found do not end the set";
  }
  static void Close(Handle* handle) { libewf_handle_close(handle, nullptr); }
  static void Free(Handle** handle) { libewf_handle_free(handle, nullptr); }
  // libewf hands back a chunk that fails its checksum (or does not decompress) as it stands and
  // only notes the sectors it covers; the sectors the acquisition could not read it holds as the
  // zeros written in their place. A read that touches either fails here, so that no such byte is
  // passed off as data.
  static ssize_t Read(Handle* handle, void* buffer, std::size_t size, off64_t offset,
                      Error** error) {
    const ssize_t read = libewf_handle_read_random(handle, buffer, size, offset, error);
    if (read > 0 && TouchesRange(UnreadRanges(handle), offset, read)) return -1;
    return read;
  }
  static std::vector<ByteRange> UnreadRanges(Handle* handle) {
    std::uint32_t sectorBytes = 512;
    libewf_handle_get_bytes_per_sector(handle, &sectorBytes, nullptr);
    std::vector<ByteRange> ranges =
        SectorRuns<libewf_handle_get_number_of_acquiry_errors, libewf_handle_get_acquiry_error>(
            handle, sectorBytes);
    for (const ByteRange& range :
         SectorRuns<libewf_handle_get_number_of_checksum_errors, libewf_handle_get_checksum_error>(
             handle, sectorBytes))
      ranges.push_back(range);
    return JoinRanges(std::move(ranges));
  }
  // The runs of sectors a list of the set records (its acquisition or its checksum errors).
  template <auto Count, auto Run>
  static std::vector<ByteRange> SectorRuns(Handle* handle, std::uint32_t sectorBytes) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
    std::uint32_t count = 0;
    Count(handle, &count, nullptr);
    std::vector<ByteRange> ranges;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint64_t first = 0;
      std::uint64_t sectors = 0;
      if (Run(handle, i, &first, &sectors, nullptr) != 1 || sectorBytes == 0) continue;
      if (first > kLargest / sectorBytes || sectors > kLargest / sectorBytes - first)
        continue;  // past the end of any media
      ranges.push_back({static_cast<std::int64_t>(first * sectorBytes),
                        static_cast<std::int64_t>(sectors * sectorBytes)});
    }
    return ranges;
  }
  static int MediaSize(Handle* handle, size64_t* size, Error** error) {
    return libewf_handle_get_media_size(handle, size, error);
  }
  static std::optional<std::string> ParentName(Handle*) { return std::nullopt; }
  static int SetParent(Handle*, Handle*, Error**) { return 1; }

  // What the examiner recorded in the evidence file, and the hashes it keeps of the media.
  static std::vector<std::string> Facts(Handle* handle) {
    static constexpr std::pair<std::string_view, std::string_view> kFields[] = {
        {"case_number", "Case number"},
        {"evidence_number", "Evidence number"},
        {"examiner_name", "Examiner"},
        {"description", "Description"},
        {"notes", "Notes"},
        {"acquiry_date", "Acquired on"},
        {"acquiry_software", "Acquired with"}};
    std::vector<std::string> facts;
    std::array<std::uint8_t, 1024> value{};
    for (const auto& [key, name] : kFields) {
      if (libewf_handle_get_utf8_header_value(handle, Bytes(key), key.size(), value.data(),
                                              value.size(), nullptr) == 1)
        facts.push_back(std::string(name) + ": " + Text(value));
    }
    for (const std::string_view hash : {"MD5", "SHA1"}) {
      if (libewf_handle_get_utf8_hash_value(handle, Bytes(hash), hash.size(), value.data(),
                                            value.size(), nullptr) == 1)
        facts.push_back(std::string(hash) + " stored in the evidence file: " + Text(value));
    }
    return facts;
  }
};

struct Vmdk {
  using Handle = libvmdk_handle_t;
  using Error = libvmdk_error_t;
  static constexpr auto ErrorText = TakeErrorText<Error, libvmdk_error_sprint, libvmdk_error_free>;

  static int Initialize(Handle** handle, Error** error) {
    return libvmdk_handle_initialize(handle, error);
  }
  // The descriptor, then the extent files it names, beside it.
  static std::optional<std::string> Open(Handle* handle, const std::string& path, std::stop_token) {
    Error* error = nullptr;
    if (libvmdk_handle_open(handle, path.c_str(), LIBVMDK_OPEN_READ, &error) != 1)
      return ErrorText(error);
    auto refused = ExtentInAnotherFolder(handle);
    if (!refused && libvmdk_handle_open_extent_data_files(handle, &error) == 1) return std::nullopt;
    libvmdk_handle_close(handle, nullptr);
    return refused ? *refused : ErrorText(error);
  }
  // libvmdk reads past the end of a name when it joins an extent name that holds a folder to the
  // descriptor's folder; such an extent is refused before the library opens it.
  static std::optional<std::string> ExtentInAnotherFolder(Handle* handle) {
    int count = 0;
    libvmdk_handle_get_number_of_extents(handle, &count, nullptr);
    for (int i = 0; i < count; ++i) {
      libvmdk_extent_descriptor_t* extent = nullptr;
      if (libvmdk_handle_get_extent_descriptor(handle, i, &extent, nullptr) != 1) continue;
      std::array<std::uint8_t, 4096> name{};
      const bool named = libvmdk_extent_descriptor_get_utf8_filename(extent, name.data(),
                                                                     name.size(), nullptr) == 1;
      libvmdk_extent_descriptor_free(&extent, nullptr);
      if (named && Text(name).find_first_of("/\\") != std::string::npos)
        return "the descriptor names an extent in another folder (" + Text(name) +
               "); extents are opened from the descriptor's own folder only";
    }
    return std::nullopt;
  }
  static void Close(Handle* handle) { libvmdk_handle_close(handle, nullptr); }
  static void Free(Handle** handle) { libvmdk_handle_free(handle, nullptr); }
  static ssize_t Read(Handle* handle, void* buffer, std::size_t size, off64_t offset,
                      Error** error) {
    return libvmdk_handle_read_buffer_at_offset(handle, buffer, size, offset, error);
  }
  static int MediaSize(Handle* handle, size64_t* size, Error** error) {
    return libvmdk_handle_get_media_size(handle, size, error);
  }
  static std::optional<std::string> ParentName(Handle* handle) {
    std::array<std::uint8_t, 4096> name{};
    if (libvmdk_handle_get_utf8_parent_filename(handle, name.data(), name.size(), nullptr) != 1)
      return std::nullopt;
    return Text(name);
  }
  static int SetParent(Handle* child, Handle* parent, Error** error) {
    return libvmdk_handle_set_parent_handle(child, parent, error);
  }
  static std::vector<std::string> Facts(Handle*) { return {}; }
  static std::vector<ByteRange> UnreadRanges(Handle*) { return {}; }
};

struct Vhdi {
  using Handle = libvhdi_file_t;
  using Error = libvhdi_error_t;
  static constexpr auto ErrorText = TakeErrorText<Error, libvhdi_error_sprint, libvhdi_error_free>;

  static int Initialize(Handle** handle, Error** error) {
    return libvhdi_file_initialize(handle, error);
  }
  static std::optional<std::string> Open(Handle* handle, const std::string& path, std::stop_token) {
    Error* error = nullptr;
    if (libvhdi_file_open(handle, path.c_str(), LIBVHDI_OPEN_READ, &error) == 1)
      return std::nullopt;
    return ErrorText(error);
  }
  static void Close(Handle* handle) { libvhdi_file_close(handle, nullptr); }
  static void Free(Handle** handle) { libvhdi_file_free(handle, nullptr); }
  static ssize_t Read(Handle* handle, void* buffer, std::size_t size, off64_t offset,
                      Error** error) {
    return libvhdi_file_read_buffer_at_offset(handle, buffer, size, offset, error);
  }
  static int MediaSize(Handle* handle, size64_t* size, Error** error) {
    return libvhdi_file_get_media_size(handle, size, error);
  }
  static std::optional<std::string> ParentName(Handle* handle) {
    std::uint32_t type = 0;
    if (libvhdi_file_get_disk_type(handle, &type, nullptr) != 1 ||
        type != LIBVHDI_DISK_TYPE_DIFFERENTIAL)
      return std::nullopt;
    std::array<std::uint8_t, 4096> name{};
    if (libvhdi_file_get_utf8_parent_filename(handle, name.data(), name.size(), nullptr) != 1)
      return std::string();  // differencing, with no name to find the parent by
    return Text(name);
  }
  static int SetParent(Handle* child, Handle* parent, Error** error) {
    return libvhdi_file_set_parent_file(child, parent, error);
  }
  static std::vector<std::string> Facts(Handle*) { return {}; }
  static std::vector<ByteRange> UnreadRanges(Handle*) { return {}; }
};

struct Qcow {
  using Handle = libqcow_file_t;
  using Error = libqcow_error_t;
  static constexpr auto ErrorText = TakeErrorText<Error, libqcow_error_sprint, libqcow_error_free>;

  static int Initialize(Handle** handle, Error** error) {
    return libqcow_file_initialize(handle, error);
  }
  // The tables are checked first, which takes long on a large image: a stop request ends it.
  static std::optional<std::string> Open(Handle* handle, const std::string& path,
                                         std::stop_token stop) {
    if (auto damaged = QcowTablesDamaged(platform::OpenReadOnly(path).reader, stop)) return damaged;
    Error* error = nullptr;
    if (libqcow_file_open(handle, path.c_str(), LIBQCOW_OPEN_READ, &error) == 1)
      return std::nullopt;
    return ErrorText(error);
  }
  static void Close(Handle* handle) { libqcow_file_close(handle, nullptr); }
  static void Free(Handle** handle) { libqcow_file_free(handle, nullptr); }
  static ssize_t Read(Handle* handle, void* buffer, std::size_t size, off64_t offset,
                      Error** error) {
    return libqcow_file_read_buffer_at_offset(handle, buffer, size, offset, error);
  }
  static int MediaSize(Handle* handle, size64_t* size, Error** error) {
    return libqcow_file_get_media_size(handle, size, error);
  }
  static std::optional<std::string> ParentName(Handle* handle) {
    std::array<std::uint8_t, 4096> name{};
    if (libqcow_file_get_utf8_backing_filename(handle, name.data(), name.size(), nullptr) != 1)
      return std::nullopt;
    return Text(name);
  }
  static int SetParent(Handle* child, Handle* parent, Error** error) {
    return libqcow_file_set_parent_file(child, parent, error);
  }
  static std::vector<std::string> Facts(Handle*) { return {}; }
  static std::vector<ByteRange> UnreadRanges(Handle*) { return {}; }
};

// One container read through its library, with the parent it differs from, if any, kept open
// as long as it is.
template <class Library>
class LibrarySource : public ByteSource {
 public:
  using Handle = typename Library::Handle;

  LibrarySource(Handle* handle, std::int64_t size, std::shared_ptr<LibrarySource> parent)
      : handle_(handle), size_(size), parent_(std::move(parent)) {}
  ~LibrarySource() override {
    Library::Close(handle_);
    Library::Free(&handle_);
  }
  LibrarySource(const LibrarySource&) = delete;
  LibrarySource& operator=(const LibrarySource&) = delete;

  // A read the library refuses (a chunk that fails its checksum or does not decompress, a
  // missing extent) fails: the caller reads again sector by sector and counts what stays
  // unreadable, so no byte of it is passed off as data.
  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    if (offset < 0) return std::nullopt;
    if (offset >= size_) return 0;
    const auto size =
        static_cast<std::size_t>(std::min<std::int64_t>(size_ - offset, buffer.size()));
    const std::lock_guard lock(mutex_);
    typename Library::Error* error = nullptr;
    const ssize_t read = Library::Read(handle_, buffer.data(), size, offset, &error);
    if (read < 0) {
      Library::ErrorText(error);  // freed; the caller counts what cannot be read, not why
      return std::nullopt;
    }
    return static_cast<std::size_t>(read);
  }
  std::int64_t Size() const override { return size_; }
  std::vector<ByteRange> UnreadRanges() const override {
    const std::lock_guard lock(mutex_);
    return Library::UnreadRanges(handle_);
  }
  Handle* handle() const { return handle_; }
  std::vector<std::string> Facts() const {
    const std::lock_guard lock(mutex_);
    return Library::Facts(handle_);
  }

 private:
  mutable std::mutex mutex_;
  Handle* handle_;
  std::int64_t size_;
  std::shared_ptr<LibrarySource> parent_;
};

template <class Library>
using OpenedContainer = app::Result<std::shared_ptr<LibrarySource<Library>>>;

template <class Library>
OpenedContainer<Library> OpenWithParents(const std::string& path, std::stop_token stop,
                                         int depth = 0);

template <class Library>
OpenedContainer<Library> OpenParent(const std::string& child, const std::string& recorded,
                                    std::stop_token stop, int depth) {
  if (recorded.empty()) return app::Failure{"the image names no parent"};
  const std::string path = ParentPath(child, recorded);
  if (!platform::PathExists(path)) return app::Failure{"no such file: " + path};
  return OpenWithParents<Library>(path, std::move(stop), depth + 1);
}

// Opens the container at path and, for a differencing image, its parents in turn (each found as
// its child names it); `depth` bounds a chain that names itself.
template <class Library>
OpenedContainer<Library> OpenWithParents(const std::string& path, std::stop_token stop, int depth) {
  constexpr int kLongestChain = 64;
  if (depth > kLongestChain) return app::Failure{path + ": the chain of parent images is too long"};
  typename Library::Handle* handle = nullptr;
  typename Library::Error* error = nullptr;
  if (Library::Initialize(&handle, &error) != 1)
    return app::Failure{path + ": " + Library::ErrorText(error)};
  const auto fail = [&](const std::string& why) {
    Library::Free(&handle);
    return app::Failure{path + ": " + why};
  };
  if (const auto refused = Library::Open(handle, path, stop)) return fail(*refused);
  size64_t size = 0;
  if (Library::MediaSize(handle, &size, &error) != 1) {
    Library::Close(handle);
    return fail(Library::ErrorText(error));
  }
  if (size > static_cast<size64_t>(std::numeric_limits<std::int64_t>::max())) {
    Library::Close(handle);
    return fail("a media size of " + std::to_string(size) + " bytes, more than any disk holds");
  }
  std::shared_ptr<LibrarySource<Library>> parent;
  if (const auto recorded = Library::ParentName(handle)) {
    auto opened = OpenParent<Library>(path, *recorded, std::move(stop), depth);
    if (!opened.ok() || Library::SetParent(handle, opened.value()->handle(), &error) != 1) {
      Library::Close(handle);
      return fail("a differencing image whose parent cannot be opened (" +
                  (opened.ok() ? Library::ErrorText(error) : opened.error()) + ")");
    }
    parent = std::move(opened).value();
  }
  return std::make_shared<LibrarySource<Library>>(handle, static_cast<std::int64_t>(size),
                                                  std::move(parent));
}

template <class Library>
OpenedSource OpenThrough(ContainerKind kind, const std::string& path, std::stop_token stop) {
  auto opened = OpenWithParents<Library>(path, std::move(stop));
  if (!opened.ok()) {
    return {{},
            {OpenError::Failed,
             std::string(ContainerTitle(kind)) + " cannot be read: " + opened.error()},
            kind};
  }
  std::vector<std::string> facts = opened.value()->Facts();
  return {DiskReader(std::move(opened).value()), {}, kind, std::move(facts)};
}

// A QCOW2 image opened through libqcow, its plainly stored clusters then read from its file.
OpenedSource WithDirectReads(OpenedSource opened, const std::string& path) {
  if (opened.status.ok())
    opened.reader =
        DiskReader(QcowSource::Over(platform::OpenReadOnly(path).reader, opened.reader.Source()));
  return opened;
}

}  // namespace

OpenedSource OpenLibraryContainer(ContainerKind kind, const std::string& path,
                                  std::stop_token stop) {
  switch (kind) {
    case ContainerKind::Ewf:
      return OpenThrough<Ewf>(kind, path, std::move(stop));
    case ContainerKind::Vmdk:
      return OpenThrough<Vmdk>(kind, path, std::move(stop));
    case ContainerKind::Vhd:
    case ContainerKind::Vhdx:
      return OpenThrough<Vhdi>(kind, path, std::move(stop));
    case ContainerKind::Qcow2:
      return WithDirectReads(OpenThrough<Qcow>(kind, path, std::move(stop)), path);
    case ContainerKind::Raw:
    case ContainerKind::SplitRaw:
    case ContainerKind::Raid:
      break;
  }
  return platform::OpenReadOnly(path);
}

}  // namespace kestrel::disk
