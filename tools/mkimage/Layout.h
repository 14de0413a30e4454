// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The layout of one or more disk images as the JSON layout file describes it, with every default
// filled in that does not depend on the rest of the layout.
namespace kestrel::mkimage {

enum class BlockLayout { A, B };
enum class NameForm { Form1, Form2, Neither };
enum class EntryKind { File, Folder };
enum class Placement { Pool, Segment };

// How the bytes of a file are made.
struct ContentLayout {
  enum class Kind { Empty, Text, Generated, Bmp, Png };
  Kind kind = Kind::Empty;
  std::string text;          // Text: the bytes themselves
  std::uint64_t size = 0;    // Generated: length
  bool sparse = false;       // Generated: all zeros, never written
  std::uint32_t width = 0;   // Bmp, Png: picture width in pixels
  std::uint32_t height = 0;  // Bmp, Png: picture height in pixels
};

struct EntryLayout {
  std::string path;  // absolute, "/" separated, UTF-8
  // The name's UTF-16 units as stored, in place of the path's last part: for names that no UTF-8
  // can carry (a lone surrogate).
  std::optional<std::u16string> nameUnits;
  EntryKind kind = EntryKind::File;
  ContentLayout content;
  std::uint32_t extents = 1;
  bool deleted = false;
  std::optional<std::uint64_t> key;
  std::optional<std::uint64_t> parentKey;
  NameForm form = NameForm::Form1;
  std::uint16_t code = 23;
  std::vector<std::string> nameParts;     // codes 22 and 20; empty = split evenly
  int zeroLengthPart = 0;                 // 2 or 3: that part is stored with length 0; 0 = none
  int stage = 1;                          // second-stage candidate 1..4
  bool firstEntry = true;                 // form 2: a known entry at T+15
  std::optional<std::string> secondName;  // form 2: a second entry in the second stage
  std::uint16_t secondCode = 23;
  std::optional<std::uint64_t> secondParentKey;
  bool skip = false;  // first extent starts at block 0, so scanners step over the record
};

// Bulk content for benchmarks: folders under the top folder, files round-robin over them.
struct GenerateLayout {
  std::uint64_t folders = 0;
  std::uint64_t files = 0;
  std::uint32_t nameLength = 12;
  std::uint64_t fileSize = 100;
  bool sharedData = false;  // every file points at one shared data extent
};

struct VolumeLayout {
  std::vector<std::string> names;  // 1 to 3 names; the label is their concatenation
  std::uint16_t recordKind = 1;
  bool zvl = true;
  std::optional<std::uint64_t> volumeId;
  std::optional<std::uint64_t> key;
  bool deleted = false;  // record kept out of the directory chain
  Placement placement = Placement::Pool;
  BlockLayout layout = BlockLayout::B;
  std::uint32_t recordsPerBlock = 0;  // 0 = as many as fit
  bool emptyChain = false;            // root names no first leaf
  std::vector<EntryLayout> entries;
  std::optional<GenerateLayout> generate;
};

// A tree block at a fixed place that no chain reaches.
struct LooseBlockLayout {
  std::uint64_t offset = 0;  // bytes from the pool's PartitionHeader, 512-aligned
  BlockLayout layout = BlockLayout::B;
  std::string volume;  // label of the volume whose id the block carries
  std::vector<EntryLayout> entries;
};

struct PoolLayout {
  std::string name;
  bool superBlock = true;
  std::uint32_t extraSuperBlocks = 0;
  std::optional<std::uint64_t> labelSectors;
  BlockLayout directoryLayout = BlockLayout::B;
  std::uint32_t directoryRecordsPerBlock = 0;
  std::vector<VolumeLayout> volumes;
  std::vector<LooseBlockLayout> looseBlocks;
};

struct PartitionLayout {
  std::optional<std::uint32_t> startSector;
  std::optional<std::uint32_t> sizeSectors;  // default: 65536, more if its pool needs more
  std::optional<std::uint32_t> link;
  std::uint32_t continuation = 0;
  std::optional<PoolLayout> pool;
  std::optional<std::string> segmentOf;  // further segment of the pool of that name
};

struct DiskLayout {
  std::optional<std::uint64_t> sizeMiB;
  bool bootSignature = true;
  std::optional<std::uint32_t> firstHeaderSector;
  bool zeroBootSector = false;
  std::optional<std::uint64_t> truncateBytes;
  std::vector<PartitionLayout> partitions;
};

struct Layout {
  std::vector<DiskLayout> disks;
};

}  // namespace kestrel::mkimage
