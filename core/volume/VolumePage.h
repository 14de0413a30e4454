// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <optional>
#include <string_view>

// The volume page: its captions and fixed texts, and which controls each stage of the page
// offers.
namespace kestrel::volume {

inline constexpr std::array<std::string_view, 3> kListColumnTitles{
    "File Name", "File Size (in Bytes)", "File Type"};

// Button labels and the captions under them.
struct ButtonText {
  std::string_view label;
  std::string_view caption;
};
inline constexpr ButtonText kHomeButton{"HOME", "Home"};
inline constexpr ButtonText kBackButton{"BACK", "Back"};
inline constexpr ButtonText kSaveScanButton{"S SCAN", "Save Scan"};
inline constexpr ButtonText kFindButton{"FIND", "Find"};
inline constexpr ButtonText kMaskButton{"MASK", "Mask"};
inline constexpr ButtonText kUnmaskButton{"Unmask", "Unmask"};
inline constexpr ButtonText kSelectAllButton{"SEL ALL", "Select All"};
inline constexpr ButtonText kUnselectButton{"Unselect", "Unselect All"};
inline constexpr ButtonText kRecoverButton{"RECOVER", "Recover"};
inline constexpr ButtonText kStopButton{"STOP SCAN", "Stop"};

inline constexpr std::string_view kStopQuestion =
    "This process can not be resumed from the current stage.\n\nDo you want to abort the current "
    "process?";
inline constexpr std::string_view kStopCurrentProcessText = "Stop Current  Process..";
inline constexpr std::string_view kRecoveredText = "Recovered Successfully";

// The stages of the page, in the order a visit usually goes through them.
enum class VolumePageStage {
  Scanning,    // the scan (or the replay of a saved scan) runs
  Browsing,    // the scan has ended
  Masking,     // a mask run builds the masked tree
  Stopped,     // the user stopped the scan
  Recovering,  // a recovery run is writing files
  Recovered,   // the recovery run has ended
};

// Which controls a stage enables and shows.
struct VolumePageControls {
  bool home = false;
  bool back = false;
  bool saveScan = false;
  bool find = false;
  bool mask = false;
  bool unmask = false;  // in MASK's place while a mask is shown
  bool selectAll = false;
  bool unselect = false;
  bool recover = false;
  bool stop = false;                       // enabled and shown
  bool scanBar = false;                    // the scan's progress bar is shown
  bool recoveryBar = false;                // the recovery's progress bar is shown
  bool browsing = false;                   // the tree and the list take clicks
  std::optional<std::string_view> status;  // the status text, when the stage sets one
};

// What else the controls depend on.
struct PageFacts {
  bool filesFound = false;       // the scan filed at least one file
  bool scanFileWritten = false;  // saved since the last recovery run: "S SCAN" off until the next
  bool masked = false;           // a masked tree is shown
};

VolumePageControls ControlsFor(VolumePageStage stage, const PageFacts& facts);

}  // namespace kestrel::volume
