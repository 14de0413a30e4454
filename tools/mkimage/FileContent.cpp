// SPDX-License-Identifier: Apache-2.0
#include "FileContent.h"

#include <algorithm>
#include <cstring>

#include "NssFormat.h"
#include "Pictures.h"

namespace kestrel::mkimage {
namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

std::uint64_t Mix(std::uint64_t value) {  // splitmix64 finaliser
  value += 0x9E3779B97F4A7C15ULL;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

// The first bytes of the signatures that scans look for at every sector start.
bool StartsLikeSignature(std::uint8_t byte) {
  return byte == nss::tree_block::kSignature[0] || byte == nss::super_block::kSignature[0] ||
         byte == static_cast<std::uint8_t>(nss::partition::kSignature[0]);
}

Status CheckLiteral(const std::vector<std::uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (std::size_t at = 0; at < text.size(); at += nss::kSectorSize) {
    for (std::string_view signature :
         {nss::tree_block::kSignature, nss::super_block::kSignature, nss::partition::kSignature}) {
      if (text.substr(at).starts_with(signature)) {
        return Error{"the content starts a sector at byte " + std::to_string(at) +
                     " with a structure signature that scans would stop at"};
      }
    }
  }
  return {};
}

}  // namespace

FileContent FileContent::Literal(std::vector<std::uint8_t> bytes) {
  FileContent content(Kind::Literal, bytes.size());
  content.literal_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
  return content;
}

FileContent FileContent::Generated(std::uint64_t seed, std::uint64_t size) {
  FileContent content(Kind::Generated, size);
  content.seed_ = seed;
  return content;
}

FileContent FileContent::Zeros(std::uint64_t size) {
  return FileContent(Kind::Zeros, size);
}

void FileContent::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
  switch (kind_) {
    case Kind::Literal:
      std::memcpy(out.data(), literal_->data() + offset, out.size());
      return;
    case Kind::Zeros:
      std::fill(out.begin(), out.end(), std::uint8_t{0});
      return;
    case Kind::Generated:
      break;
  }
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint64_t at = offset + i;
    if (i == 0 || at % 8 == 0) word = Mix(seed_ ^ Mix(at / 8));
    auto byte = static_cast<std::uint8_t>(word >> (8 * (at % 8)));
    if (at % nss::kSectorSize == 0 && StartsLikeSignature(byte)) byte ^= 0x80;
    out[i] = byte;
  }
}

std::uint64_t ContentSeed(std::string_view volumeLabel, std::string_view path) {
  std::uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a over label, a separator and path
  for (const char c : std::string(volumeLabel) + '\0' + std::string(path)) {
    hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ULL;
  }
  return hash;
}

Result<FileContent> MakeFileContent(const ContentLayout& wanted, std::uint64_t seed) {
  std::vector<std::uint8_t> literal;
  switch (wanted.kind) {
    case ContentLayout::Kind::Empty:
      return FileContent::Zeros(0);
    case ContentLayout::Kind::Generated:
      return wanted.sparse ? FileContent::Zeros(wanted.size)
                           : FileContent::Generated(seed, wanted.size);
    case ContentLayout::Kind::Text:
      literal.assign(wanted.text.begin(), wanted.text.end());
      break;
    case ContentLayout::Kind::Bmp:
      literal = MakeBmpPicture(wanted.width, wanted.height);
      break;
    case ContentLayout::Kind::Png:
      literal = MakePngPicture(wanted.width, wanted.height);
      break;
  }
  if (Status status = CheckLiteral(literal); !status) return status.error();
  return FileContent::Literal(std::move(literal));
}

Status CopyContent(const FileContent& content, std::uint64_t from, std::uint64_t length,
                   SparseFile& file, std::uint64_t at) {
  if (content.allZero() || file.discards()) return {};
  std::vector<std::uint8_t> chunk(std::min<std::uint64_t>(length, kCopyChunk));
  for (std::uint64_t done = 0; done < length; done += chunk.size()) {
    const std::span<std::uint8_t> piece(chunk.data(),
                                        std::min<std::uint64_t>(chunk.size(), length - done));
    content.read(from + done, piece);
    if (Status status = file.write(at + done, piece); !status) return status;
  }
  return {};
}

}  // namespace kestrel::mkimage
