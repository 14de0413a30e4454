// SPDX-License-Identifier: Apache-2.0
#include "disk/container/ImageFile.h"

#include <filesystem>
#include <vector>

#include "disk/container/SplitRawSource.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::disk {
namespace {

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(platform::Utf8Path(path), error);
}

ContainerKind KindOf(const DiskReader& file) {
  SectorBuffer head{};
  SectorBuffer tail{};
  const std::size_t headBytes = file.ReadSome(0, head).value_or(0);
  const std::int64_t last = file.Size() - static_cast<std::int64_t>(tail.size());
  const std::size_t tailBytes = last >= 0 ? file.ReadSome(last, tail).value_or(0) : 0;
  return KindFromSignature(ByteView(head).first(headBytes), ByteView(tail).first(tailBytes));
}

// The first piece and every piece that follows it by the numbering, up to the first missing one;
// a piece missing between two that are there is an error, never a shorter image.
OpenedSource OpenPieces(const std::string& first, OpenedSource firstPiece) {
  std::vector<std::shared_ptr<ByteSource>> pieces{firstPiece.reader.Source()};
  auto name = NextPieceName(first);
  for (; name && platform::PathExists(*name); name = NextPieceName(*name)) {
    OpenedSource piece = platform::OpenReadOnly(*name);
    if (!piece.status.ok()) return {{}, piece.status, ContainerKind::SplitRaw};
    pieces.push_back(piece.reader.Source());
  }
  if (const auto after = name ? NextPieceName(*name) : std::nullopt;
      after && platform::PathExists(*after)) {
    return {{},
            {OpenError::Failed,
             *name + ": this piece of the split image is missing, and " + *after + " follows it"},
            ContainerKind::SplitRaw};
  }
  if (pieces.size() == 1) return firstPiece;
  return {
      DiskReader(std::make_shared<SplitRawSource>(std::move(pieces))), {}, ContainerKind::SplitRaw};
}

}  // namespace

OpenedSource OpenImageFile(const std::string& path, std::stop_token stop) {
  OpenedSource file = platform::OpenReadOnly(path);
  if (!file.status.ok() || !IsRegularFile(path)) return file;
  const ContainerKind kind = KindOf(file.reader);
  if (kind != ContainerKind::Raw) return OpenLibraryContainer(kind, path, std::move(stop));
  return NamesFirstPiece(path) ? OpenPieces(path, std::move(file)) : file;
}

}  // namespace kestrel::disk
