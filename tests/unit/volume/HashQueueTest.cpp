// SPDX-License-Identifier: Apache-2.0
// The hashes a recovery run takes, on two threads of their own or, for a file of one piece, where
// it is written: each file's digest is that of exactly its bytes, whatever the pieces and whichever
// thread took it, and of an empty file too, in the order the files were written; and no buffer is
// lent again while its piece still waits to be hashed.
#include <gtest/gtest.h>

#include "imaging/Digest.h"
#include "volume/FileData.h"
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
  EXPECT_EQ(hashes.BeginFile(true), 0u);
  hashes.EndFile();
  EXPECT_EQ(hashes.BeginFile(false), 1u);
  hashes.Add(std::span(large).first(1 << 20));
  hashes.Add(std::span(large).subspan(1 << 20));
  hashes.EndFile();
  EXPECT_EQ(hashes.BeginFile(true), 2u);
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

// Large files keep the threads busy, so the small ones between them are hashed here; every piece is
// read into a buffer the queue lends, as a run does, while the threads may still be behind, and a
// buffer lent for a piece never handed over (its write failed) comes back.
TEST(HashQueue, ABufferIsLentAgainOnlyOnceItsPieceIsHashed) {
  struct File {
    std::size_t pieces;
    std::size_t pieceSize;
  };
  std::vector<File> files;
  for (int round = 0; round < 3; ++round) {
    files.push_back({24, kCopyPieceSize});
    for (int small = 0; small < 20; ++small) files.push_back({1, 4096});
  }
  const auto fill = [](std::span<std::uint8_t> piece, std::size_t file, std::size_t index) {
    for (std::size_t i = 0; i < piece.size(); i += 512)
      piece[i] = static_cast<std::uint8_t>(file * 31 + index * 7 + i / 512);
  };

  // The digests are known first, so that the run hands pieces over faster than they are hashed.
  std::vector<HashQueue::FileDigests> expected;
  std::vector<std::uint8_t> scratch(kCopyPieceSize);
  for (std::size_t f = 0; f < files.size(); ++f) {
    imaging::Digest whole(imaging::DigestKind::Sha256);
    for (std::size_t p = 0; p < files[f].pieces; ++p) {
      const std::span piece = std::span(scratch).first(files[f].pieceSize);
      std::ranges::fill(piece, 0);
      fill(piece, f, p);
      whole.Update(piece);
    }
    expected.push_back({whole.HexDigest(), ""});
  }

  HashQueue hashes;
  for (std::size_t f = 0; f < files.size(); ++f) {
    hashes.BeginFile(files[f].pieces == 1);
    if (f % 5 == 0)  // more buffers lent than there are, their pieces never handed over
      for (std::size_t unused = 0; unused <= HashQueue::kBuffers; ++unused) hashes.Next(4096);
    for (std::size_t p = 0; p < files[f].pieces; ++p) {
      const std::span<std::uint8_t> piece = hashes.Next(files[f].pieceSize);
      std::ranges::fill(piece, 0);
      fill(piece, f, p);
      hashes.Add(piece);
    }
    hashes.EndFile();
  }
  EXPECT_EQ(hashes.Digests(), expected);
}

TEST(HashQueue, GoingAwayWithFilesQueuedHashesThemAndEnds) {
  const std::vector<std::uint8_t> bytes(3u << 20, 0x5A);
  auto hashes = std::make_unique<HashQueue>();
  for (int file = 0; file < 20; ++file) {
    hashes->BeginFile(false);
    hashes->Add(bytes);
    hashes->EndFile();
  }
  hashes.reset();  // must neither hang nor leave the thread running
}

}  // namespace
}  // namespace kestrel::volume
