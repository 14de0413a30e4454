// SPDX-License-Identifier: Apache-2.0
#include "GeneratedEntries.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "EntryNames.h"
#include "EntryPath.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

constexpr std::string_view kFileExtension = ".dat";

std::size_t Digits(std::uint64_t count) {
  return count < 10 ? 1 : 1 + Digits(count / 10);
}

// `prefix`, the number padded with zeros, then `suffix`, in exactly `length` characters.
std::string NumberedName(char prefix, std::uint64_t number, std::string_view suffix,
                         std::size_t length) {
  std::string digits = std::to_string(number);
  digits.insert(0, length - 1 - suffix.size() - digits.size(), '0');
  return prefix + digits + std::string(suffix);
}

Status CheckNameLength(const GenerateLayout& wanted) {
  const std::size_t needed =
      std::max(1 + kFileExtension.size() + Digits(wanted.files), 1 + Digits(wanted.folders));
  if (wanted.nameLength < needed) {
    return Error{"generate.nameLength " + std::to_string(wanted.nameLength) +
                 " is too short to number the folders and files; it needs " +
                 std::to_string(needed)};
  }
  return {};
}

Result<std::int64_t> PlaceRecord(RecordSink& sink, BlockLayout layout, std::uint64_t key,
                                 std::uint64_t size, std::vector<Extent> extents,
                                 std::string_view name, std::uint64_t parentKey) {
  Result<NameSectionLayout> names = PlainNameSection(name, parentKey);
  if (!names) return names.error();
  Result<ByteBuffer> record =
      EncodeEntryRecord({layout, key, size, std::move(extents), false, std::move(*names)});
  if (!record) return record.error();
  return sink.place(*record, 0);
}

// The data extents of one file: the shared extent, or data of its own.
Result<std::vector<Extent>> FileData(const GenerateLayout& wanted,
                                     const std::optional<std::vector<Extent>>& shared,
                                     const std::string& label, const std::string& path,
                                     DataWriter& data) {
  if (shared) return *shared;
  if (wanted.fileSize == 0) return std::vector<Extent>{};
  return data.write(FileContent::Generated(ContentSeed(label, path), wanted.fileSize), 1);
}

struct GeneratedFolder {
  std::uint64_t key;
  std::string name;
};

Result<std::vector<GeneratedFolder>> WriteFolders(const GenerateLayout& wanted, BlockLayout layout,
                                                  KeyAllocator& keys, RecordSink& sink) {
  std::vector<GeneratedFolder> folders;
  for (std::uint64_t i = 0; i < wanted.folders; ++i) {
    folders.push_back({keys.next(), NumberedName('D', i, "", wanted.nameLength)});
    Result<std::int64_t> placed = PlaceRecord(sink, layout, folders.back().key, 0, {},
                                              folders.back().name, nss::kTopFolderKey);
    if (!placed) return placed.error();
  }
  return folders;
}

}  // namespace

Status WriteGeneratedEntries(const GenerateLayout& wanted, const std::string& volumeLabel,
                             BlockLayout layout, DataWriter& data, KeyAllocator& keys,
                             RecordSink& sink) {
  if (Status status = CheckNameLength(wanted); !status) return status;
  Result<std::vector<GeneratedFolder>> folders = WriteFolders(wanted, layout, keys, sink);
  if (!folders) return folders.error();
  std::optional<std::vector<Extent>> shared;
  if (wanted.sharedData && wanted.fileSize > 0) {
    Result<std::vector<Extent>> extents =
        data.write(FileContent::Generated(ContentSeed(volumeLabel, "/"), wanted.fileSize), 1);
    if (!extents) return extents.error();
    shared = std::move(*extents);
  }
  for (std::uint64_t i = 0; i < wanted.files; ++i) {
    const GeneratedFolder* folder = folders->empty() ? nullptr : &(*folders)[i % folders->size()];
    const std::string name = NumberedName('F', i, kFileExtension, wanted.nameLength);
    const std::string path = JoinPath(folder ? "/" + folder->name : "", name);
    Result<std::vector<Extent>> extents = FileData(wanted, shared, volumeLabel, path, data);
    if (!extents) return extents.error();
    const std::uint64_t parentKey = folder ? folder->key : nss::kTopFolderKey;
    Result<std::int64_t> placed = PlaceRecord(sink, layout, keys.next(), wanted.fileSize,
                                              std::move(*extents), name, parentKey);
    if (!placed) return placed.error();
  }
  return {};
}

}  // namespace kestrel::mkimage
