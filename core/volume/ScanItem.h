// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace kestrel::volume {

// Selection state of a record; new records start Unselected.
enum class ItemState : std::uint8_t { None = 0, Unselected = 1, Selected = 2, Partial = 3 };

using RecordId = std::uint32_t;
inline constexpr RecordId kNoRecord = std::numeric_limits<RecordId>::max();

// The key with all 64 bits set marks an invalid or deleted entry.
inline constexpr std::uint64_t kDeletedKey = std::numeric_limits<std::uint64_t>::max();
// The key of a volume's top directory: the parent key of the entries directly in it.
inline constexpr std::uint64_t kTopDirectoryKey = 127;

// One folder or file found by a scan, or one further extent of a file. Three kinds share it:
//   folder record:       size 0, extent 0/0; the head of its folder's chain
//   file head record:    name, keys, size and the file's first extent
//   continuation record: empty name; keys and size of its file; one further extent, whose
//                        block value is the running total of the file's blocks
struct ScanItem {
  std::u16string m_name;
  std::uint64_t m_parentKey = 0;
  std::uint64_t m_key = 0;
  std::uint32_t m_size = 0;  // the low 32 bits of the size on disk
  std::uint32_t m_extentBlocks = 0;
  std::uint32_t m_extentStart = 0;
  ItemState m_state = ItemState::Unselected;
  RecordId m_next = kNoRecord;   // next record of the same chain
  std::uint64_t m_volumeId = 0;  // a pool scan's volume item: the id its blocks carry
  std::uint32_t m_sizeHigh = 0;  // the high 32 bits of the size on disk, when known
  bool m_sizeHighKnown = false;  // false for records loaded from a scan information file

  // Every consumer treats a record without blocks in its extent as a folder record.
  bool IsFolderRecord() const { return m_extentBlocks == 0; }
  bool IsContinuation() const { return m_name.empty(); }
  bool IsDeleted() const { return m_key == kDeletedKey; }
  // The size on disk, where all 64 bits are known; else the low 32 bits.
  std::uint64_t FullSize() const { return (std::uint64_t{m_sizeHigh} << 32) | m_size; }
  void SetFullSize(std::uint64_t size) {
    m_size = static_cast<std::uint32_t>(size);
    m_sizeHigh = static_cast<std::uint32_t>(size >> 32);
    m_sizeHighKnown = true;
  }
};

// One data extent of a file as stored: (block value, start block).
struct Extent {
  std::uint32_t blocks = 0;
  std::uint32_t start = 0;

  bool operator==(const Extent&) const = default;
};

}  // namespace kestrel::volume
