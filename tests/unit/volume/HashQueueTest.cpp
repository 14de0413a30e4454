// SPDX-License-Identifier: Apache-2.0
// The hashes a recovery run takes, on a thread of its own or, for a file of one piece, where it is
// written: each file's digest is that of exactly its bytes, whatever the pieces and whichever
// thread took it, and of an empty file too, in the order the files were written.
#include <gtest/gtest.h>

#include "imaging/Digest.h"
#include "volume/HashQueue.h"

namespace kestrel::volume {
namespace {

std::string DigestOf(std::span<const std::uint8_t> bytes,
                     imaging::DigestKind kind = imaging::DigestKind::Sha256) {
  imaging::Digest hash(kind);
  hash.Update(bytes);
  return hash.HexDigest();
}

TEST(HashQueue, EveryFileGetsTheDigestOfItsOwnBytesInOrder) {
  std::vector<std::uint8_t> large(40u << 20);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const std::vector<std::uint8_t> abc{'a', 'b', 'c'};

  HashQueue hashes(true);
  EXPECT_EQ(hashes.BeginFile(0), 0u);
  hashes.EndFile();
  EXPECT_EQ(hashes.BeginFile(large.size()), 1u);
  hashes.Add(std::span(large).first(1 << 20));
  hashes.Add(std::span(large).subspan(1 << 20));
  hashes.EndFile();
  EXPECT_EQ(hashes.BeginFile(abc.size()), 2u);
  hashes.Add(abc);
  hashes.EndFile();

  EXPECT_EQ(hashes.Digests(),
            (std::vector<HashQueue::FileDigests>{
                {"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
                 "d41d8cd98f00b204e9800998ecf8427e"},
                {DigestOf(large), DigestOf(large, imaging::DigestKind::Md5)},
                {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
                 "900150983cd24fb0d6963f7d28e17f72"}}));
}

TEST(HashQueue, GoingAwayWithFilesQueuedHashesThemAndEnds) {
  const std::vector<std::uint8_t> bytes(3u << 20, 0x5A);
  auto hashes = std::make_unique<HashQueue>();
  for (int file = 0; file < 20; ++file) {
    hashes->BeginFile(bytes.size());
    hashes->Add(bytes);
    hashes->EndFile();
  }
  hashes.reset();  // must neither hang nor leave the thread running
}

}  // namespace
}  // namespace kestrel::volume
