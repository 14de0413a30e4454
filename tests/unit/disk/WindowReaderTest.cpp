// SPDX-License-Identifier: Apache-2.0
#include "disk/WindowReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "disk/MemorySource.h"

namespace kestrel::disk {
namespace {

std::vector<std::uint8_t> Numbered(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i / 512 + 1);
  return bytes;
}

// Every window of the range, as (offset, bytes).
std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> Windows(const DiskReader& reader,
                                                                        std::int64_t from,
                                                                        std::int64_t to,
                                                                        std::size_t window) {
  std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> seen;
  WindowReader windows(reader, from, to, window);
  while (const auto next = windows.Next())
    seen.emplace_back(next->offset, std::vector(next->bytes.begin(), next->bytes.end()));
  return seen;
}

TEST(WindowReader, CoversTheRangeInWholeWindowsWithAShortLastOne) {
  const auto bytes = Numbered(10 * 512);
  const DiskReader reader(std::make_shared<MemorySource>(bytes));
  const auto seen = Windows(reader, 512, 9 * 512, 4 * 512);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, 512);
  EXPECT_EQ(seen[1].first, 5 * 512);
  EXPECT_EQ(seen[0].second, std::vector(bytes.begin() + 512, bytes.begin() + 5 * 512));
  EXPECT_EQ(seen[1].second, std::vector(bytes.begin() + 5 * 512, bytes.begin() + 9 * 512));
}

TEST(WindowReader, StopsAtTheEndOfTheSourceWhateverTheRangeSays) {
  const DiskReader reader(std::make_shared<MemorySource>(Numbered(6 * 512)));
  const auto seen = Windows(reader, 0, 100 * 512, 4 * 512);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].second.size(), 2 * 512u);
  EXPECT_TRUE(Windows(reader, 6 * 512, 8 * 512, 4 * 512).empty());
}

TEST(WindowReader, ReadsAroundABadSectorAsZerosAndKeepsTheRest) {
  const auto bytes = Numbered(8 * 512);
  const DiskReader reader(std::make_shared<FaultyMemorySource>(bytes, std::set<std::uint64_t>{2}));
  const auto seen = Windows(reader, 0, 8 * 512, 4 * 512);
  ASSERT_EQ(seen.size(), 2u);
  const auto& first = seen[0].second;
  EXPECT_TRUE(std::all_of(first.begin() + 2 * 512, first.begin() + 3 * 512,
                          [](std::uint8_t byte) { return byte == 0; }));
  EXPECT_EQ(first[3 * 512], 4);
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(seen[1].second, std::vector(bytes.begin() + 4 * 512, bytes.end()));
}

// A 16 MiB sparse image file: 4 KiB of data at its start, 4 KiB more 8 KiB into its 13th MiB,
// holes elsewhere; removed with the test.
class SparseImage {
 public:
  static constexpr std::int64_t kMiB = 1 << 20;
  static constexpr std::int64_t kLaterData = 12 * kMiB + 8192;

  SparseImage()
      : path_(std::filesystem::temp_directory_path() /
              ("kestrel-sparse-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".img")) {
    std::ofstream file(path_, std::ios::binary);
    const std::vector<char> data(4096, 'D');
    file.write(data.data(), 4096);
    file.seekp(kLaterData);
    file.write(data.data(), 4096);
    file.close();
    std::filesystem::resize_file(path_, 16 * kMiB);
  }
  ~SparseImage() { std::filesystem::remove(path_); }

  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(WindowReader, PassesOverTheHolesOfASparseImageInWholeWindows) {
  const SparseImage image;
  const OpenedSource opened = OpenSource(image.path());
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  if (opened.reader.NextData(8192) == 8192)
    GTEST_SKIP() << "SKIPPED: the file system here does not tell where the holes of a file lie";
  const auto seen = Windows(opened.reader, 0, 16 * SparseImage::kMiB, SparseImage::kMiB);
  ASSERT_EQ(seen.size(), 2u) << "the data's two windows, and none of the holes";
  EXPECT_EQ(seen[0].first, 0);
  EXPECT_EQ(seen[1].first, 12 * SparseImage::kMiB) << "where it would have started";
  EXPECT_EQ(seen[1].second.size(), static_cast<std::size_t>(SparseImage::kMiB));
  EXPECT_EQ(seen[1].second[8192], 'D');
  EXPECT_EQ(seen[1].second[8191], 0);
}

}  // namespace
}  // namespace kestrel::disk
