// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The help manual: HTML pages, one per topic, in the folder "help" beside the program, or where
// a Linux package installs it (KESTREL_NSS_HELP names another folder).
namespace kestrel::app {

inline constexpr std::string_view kHelpFolderName = "help";
inline constexpr std::string_view kHelpFolderVariable = "KESTREL_NSS_HELP";

// The page of the manual that Help opens on a page of the program, by the page's name; the
// contents for the main window and any page without a topic of its own.
std::string_view HelpTopicFor(std::string_view pageName);

// Where the manual may be, in the order looked at, for the program in programFolder: beside it
// (a build, or the unpacked Windows zip), then in share/kestrel-nss/help beside its bin folder
// (an installed package).
std::vector<std::string> HelpFolders(const std::string& programFolder);

// The manual's page for a topic in the help folder.
std::string HelpPagePath(const std::string& helpFolder, std::string_view topic);

}  // namespace kestrel::app
