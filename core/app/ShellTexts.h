// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <string_view>

// The texts and fixed values of the application shell: the splash screen, the main window and
// its tabs, and the notices for the pages that a later version adds.
namespace kestrel::app {

inline constexpr std::string_view kProductTitle = "Kestrel Varnoak Novell (NSS)";
inline constexpr std::string_view kProductTagline = "Data recovery for NetWare NSS volumes";

// The splash screen closes itself after this long, or at once on a key or a click.
inline constexpr int kSplashMilliseconds = 4000;

inline constexpr std::array<std::string_view, 3> kTabCaptions{"Fresh Recovery", "Resume Recovery",
                                                              "Create Image"};
inline constexpr int kResumeRecoveryTab = 1;  // the tab that shows the Start button

inline constexpr std::string_view kFreshRecoveryHeading = "Start Fresh Recovery";
inline constexpr std::string_view kFreshRecoveryText =
    "Click 'Start Fresh Recovery' button to search for lost pools, volume and data.";
inline constexpr std::string_view kStartCaption = "Start";
inline constexpr std::string_view kOkCaption = "OK";
inline constexpr std::string_view kCancelCaption = "Cancel";
inline constexpr std::string_view kHelpCaption = "Help";
inline constexpr std::string_view kLogCaption = "Log";
inline constexpr std::string_view kAboutCaption = "About";
inline constexpr std::string_view kAboutMenuItem = "&About KestrelNSSRecovery...";

// What is said when the help manual (HelpTopics.h), or the log report, cannot be opened.
inline constexpr std::string_view kHelpMissingText = "The help file cannot be opened:";
inline constexpr std::string_view kLogNotOpenedText =
    "The log report cannot be opened with the desktop's viewer:";
inline constexpr std::string_view kReportNotOpenedText =
    "The recovery report cannot be opened with the desktop's browser:";

// The Create Image tab.
inline constexpr std::string_view kDriveImagingHeading = "Drive Imaging";
inline constexpr std::string_view kDriveImagingText =
    " 1. Create Image: An image file of media can be created for scanning at any later point of "
    "time.\n 2. Clone Disk: Creates an exact replica of hard drive.";
inline constexpr std::string_view kCreateImageCaption = "Create Image";
inline constexpr std::string_view kCloneDiskCaption = "Clone Disk";

// Pages that a later version adds: their buttons are there, and say what to use meanwhile.
inline constexpr std::string_view kComingLaterToolTip = "Comes with a later version";

}  // namespace kestrel::app
