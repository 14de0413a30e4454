// SPDX-License-Identifier: Apache-2.0
// E01 segment sets written through libewf, in the EnCase 6 format that every EWF reader knows,
// with the MD5 and SHA-1 of the media data computed here (OpenSSL) as the data goes by.
#include <libewf.h>
#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include "app/ShellTexts.h"
#include "disk/NssLayout.h"
#include "disk/container/LibyalError.h"
#include "disk/platform/Platform.h"
#include "imaging/EwfImage.h"

namespace kestrel::imaging {
namespace {

constexpr auto ErrorText =
    disk::TakeErrorText<libewf_error_t, libewf_error_sprint, libewf_error_free>;

// One running digest of the media data.
class EvpHash {
 public:
  explicit EvpHash(const EVP_MD* kind) : context_(EVP_MD_CTX_new()) {
    failed_ = !context_ || EVP_DigestInit_ex(context_, kind, nullptr) != 1;
  }
  ~EvpHash() { EVP_MD_CTX_free(context_); }
  EvpHash(const EvpHash&) = delete;
  EvpHash& operator=(const EvpHash&) = delete;

  void Update(std::span<const std::uint8_t> bytes) {
    failed_ = failed_ || EVP_DigestUpdate(context_, bytes.data(), bytes.size()) != 1;
  }
  // Lowercase hexadecimal digits; "" when the library refused a step.
  std::string HexDigest() {
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (failed_ || EVP_DigestFinal_ex(context_, digest.data(), &length) != 1) return {};
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
      std::array<char, 3> pair{};
      std::snprintf(pair.data(), pair.size(), "%02x", digest[i]);
      hex += pair.data();
    }
    return hex;
  }

 private:
  EVP_MD_CTX* context_;
  bool failed_ = false;
};

const std::uint8_t* Bytes(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

std::int8_t CompressionLevel(EwfCompression compression) {
  switch (compression) {
    case EwfCompression::None:
      return LIBEWF_COMPRESSION_NONE;
    case EwfCompression::Fast:
      return LIBEWF_COMPRESSION_FAST;
    case EwfCompression::Best:
      return LIBEWF_COMPRESSION_BEST;
  }
  return LIBEWF_COMPRESSION_FAST;
}

class LibewfWriter final : public EwfWriter {
 public:
  LibewfWriter(libewf_handle_t* handle, std::string firstSegment, SegmentSync sync)
      : handle_(handle), firstSegment_(std::move(firstSegment)), sync_(sync) {}
  ~LibewfWriter() override {
    if (!closed_) libewf_handle_close(handle_, nullptr);
    libewf_handle_free(&handle_, nullptr);
  }
  LibewfWriter(const LibewfWriter&) = delete;
  LibewfWriter& operator=(const LibewfWriter&) = delete;

  // libewf writes the media data in order; a write anywhere else is refused rather than let the
  // image's bytes land at the wrong offsets. The data is hashed on a second thread while libewf
  // compresses it on this one: each takes about as long as the other.
  bool WriteSectors(std::uint64_t sector, std::uint32_t count,
                    std::span<const std::uint8_t> buffer) override {
    const std::size_t bytes = std::size_t{count} * disk::layout::kSectorSize;
    if (sector != nextSector_ || buffer.size() < bytes) return false;
    const std::span<const std::uint8_t> data = buffer.first(bytes);
    auto hashed = std::async(std::launch::async, [this, data] {
      md5_.Update(data);
      sha1_.Update(data);
    });
    libewf_error_t* error = nullptr;
    const bool written = libewf_handle_write_buffer(handle_, data.data(), data.size(), &error) ==
                         static_cast<ssize_t>(data.size());
    hashed.wait();
    if (!written) {
      failure_ = ErrorText(error);
      return false;
    }
    nextSector_ += count;
    return true;
  }

  // libewf keeps the set's last chunks and its closing sections until it is finished: Finish
  // syncs the segments once they are whole.
  bool Flush() override { return true; }

  app::Result<EwfDigests> Finish(const std::vector<SectorRun>& unreadable) override {
    if (!failure_.empty()) return app::Failure{failure_};
    libewf_error_t* error = nullptr;
    for (const SectorRun& run : unreadable) {
      if (libewf_handle_append_acquiry_error(handle_, run.first, run.count, &error) != 1)
        return app::Failure{"the unreadable sectors cannot be recorded: " + ErrorText(error)};
    }
    EwfDigests digests{md5_.HexDigest(), sha1_.HexDigest()};
    for (const auto& [name, value] : {std::pair{"MD5", digests.md5}, {"SHA1", digests.sha1}}) {
      if (!value.empty() &&
          libewf_handle_set_utf8_hash_value(handle_, Bytes(name), std::string_view(name).size(),
                                            Bytes(value), value.size(), &error) != 1)
        return app::Failure{std::string("the ") + name + " cannot be stored: " + ErrorText(error)};
    }
    const bool finalized = libewf_handle_write_finalize(handle_, &error) >= 0;
    closed_ = finalized && libewf_handle_close(handle_, &error) == 0;
    if (!closed_) return app::Failure{"the evidence file cannot be completed: " + ErrorText(error)};
    if (auto unsynced = SyncSegments()) return *unsynced;
    return digests;
  }

 private:
  // libewf writes through file handles of its own: each segment of the closed set, as libewf
  // finds them from the first, is synced by its name.
  std::optional<app::Failure> SyncSegments() const {
    char** names = nullptr;
    int count = 0;
    libewf_error_t* error = nullptr;
    if (libewf_glob(firstSegment_.c_str(), firstSegment_.size(), LIBEWF_FORMAT_UNKNOWN, &names,
                    &count, &error) != 1)
      return app::Failure{"the segments of the evidence file cannot be found: " + ErrorText(error)};
    std::optional<app::Failure> unsynced;
    for (int i = 0; i < count && !unsynced; ++i) {
      if (!sync_(names[i]))
        unsynced = app::Failure{std::string(names[i]) + ": cannot be kept on the storage"};
    }
    libewf_glob_free(names, count, nullptr);
    return unsynced;
  }

  libewf_handle_t* handle_;
  std::string firstSegment_;
  SegmentSync sync_;
  std::uint64_t nextSector_ = 0;
  std::string failure_;
  bool closed_ = false;
  EvpHash md5_{EVP_md5()};
  EvpHash sha1_{EVP_sha1()};
};

// The handle's settings before the first write. The media size is left open: libewf records
// what was written when the set is finished, so a stopped image is a smaller whole one rather
// than a set that claims bytes it lacks.
std::optional<std::string> Configure(libewf_handle_t* handle, const EwfSettings& settings) {
  libewf_error_t* error = nullptr;
  const auto refused = [&](const std::string& what) { return what + ": " + ErrorText(error); };
  if (libewf_handle_set_format(handle, LIBEWF_FORMAT_ENCASE6, &error) != 1)
    return refused("the format");
  if (libewf_handle_set_compression_values(handle, CompressionLevel(settings.compression),
                                           LIBEWF_COMPRESS_FLAG_USE_EMPTY_BLOCK_COMPRESSION,
                                           &error) != 1)
    return refused("the compression");
  if (libewf_handle_set_maximum_segment_size(handle, settings.segmentBytes, &error) != 1)
    return refused("the segment size");
  if (libewf_handle_set_bytes_per_sector(handle, disk::layout::kSectorSize, &error) != 1 ||
      libewf_handle_set_media_type(handle, LIBEWF_MEDIA_TYPE_FIXED, &error) != 1 ||
      libewf_handle_set_media_flags(handle, settings.physicalMedia ? LIBEWF_MEDIA_FLAG_PHYSICAL : 0,
                                    &error) != 1)
    return refused("the media values");
  const std::string software(app::kProductTitle);
  const std::pair<std::string_view, const std::string&> fields[] = {
      {"case_number", settings.fields.caseNumber},
      {"evidence_number", settings.fields.evidenceNumber},
      {"examiner_name", settings.fields.examiner},
      {"description", settings.fields.description},
      {"notes", settings.fields.notes},
      {"acquiry_software", software}};
  for (const auto& [key, value] : fields) {
    if (!value.empty() &&
        libewf_handle_set_utf8_header_value(handle, Bytes(key), key.size(), Bytes(value),
                                            value.size(), &error) != 1)
      return refused(std::string(key));
  }
  return std::nullopt;
}

}  // namespace

app::Result<std::unique_ptr<EwfWriter>> CreateEwfWriter(const std::string& firstSegmentPath,
                                                        const EwfSettings& settings,
                                                        SegmentSync sync) {
  if (settings.segmentBytes < kSmallestEwfSegmentBytes)
    return app::Failure{"an E01 segment holds at least 1 MiB"};
  // libewf names the segments itself, from the set's name without its extension.
  const std::string first = EwfFirstSegmentPath(firstSegmentPath);
  std::string setName = first.substr(0, first.size() - std::string_view(".E01").size());
  // A second segment left by an earlier set would be read as part of this one; it is never
  // deleted here, since it may be evidence.
  if (platform::PathExists(setName + ".E02"))
    return app::Failure{setName +
                        ".E02: a segment of an earlier evidence file set is there; move "
                        "that set away or choose another name"};
  libewf_handle_t* handle = nullptr;
  libewf_error_t* error = nullptr;
  if (libewf_handle_initialize(&handle, &error) != 1)
    return app::Failure{firstSegmentPath + ": " + ErrorText(error)};
  char* names[] = {setName.data()};
  if (libewf_handle_open(handle, names, 1, LIBEWF_OPEN_WRITE, &error) != 1) {
    libewf_handle_free(&handle, nullptr);
    return app::Failure{firstSegmentPath + ": cannot be created: " + ErrorText(error)};
  }
  auto writer = std::make_unique<LibewfWriter>(handle, first, sync);
  if (const auto refused = Configure(handle, settings))
    return app::Failure{firstSegmentPath + ": libewf refuses " + *refused};
  return std::unique_ptr<EwfWriter>(std::move(writer));
}

bool WritesEwf() {
  return true;
}

}  // namespace kestrel::imaging
