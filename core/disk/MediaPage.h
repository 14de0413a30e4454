// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

// The media page: the captions, the four text panels that describe the selected entry, and what
// Continue does with it.
namespace kestrel::disk {

inline constexpr std::string_view kMediaPageCaption = "Select Media";
inline constexpr std::string_view kDescriptionCaption = "Description";
inline constexpr std::string_view kMediaTreeRoot = "Physical Disks";
inline constexpr std::string_view kContinueCaption = "Continue";
inline constexpr std::string_view kHomeCaption = "Home";
inline constexpr std::string_view kBackCaption = "Back";

// The dialog that assembles the members of an array into one disk of the page.
inline constexpr std::string_view kAssembleRaidCaption = "Assemble RAID...";
inline constexpr std::string_view kAssembleRaidTitle = "Assemble RAID";
inline constexpr std::string_view kRaidMemberFileTitle = "Select a member image";

// The entries of the media tree.
enum class MediaEntryKind { Root, Disk, Pool, Volume };

struct PanelTexts {
  std::string_view heading;
  std::string_view description;
  std::string_view instruction;
  std::string_view note;
};

// The panels for the selected entry; the root shows the texts of the opening.
PanelTexts PanelTextsFor(MediaEntryKind kind);

// Continue leads somewhere for a disk, a pool and a volume, not for the root.
bool ContinueEnabled(MediaEntryKind kind);

// The page Continue (or a double click) opens for an entry.
enum class ScanPage { None, DiskScan, PoolScan, VolumeScan };
ScanPage ScanPageFor(MediaEntryKind kind);

}  // namespace kestrel::disk
