#pragma once

#include <string>
#include <string_view>

// The help manual: HTML pages, one per topic, in the folder "help" beside the program
// (KESTREL_NSS_HELP names another folder).
namespace kestrel::app {

inline constexpr std::string_view kHelpFolderName = "help";
inline constexpr std::string_view kHelpFolderVariable = "KESTREL_NSS_HELP";

// The page of the manual that Help opens on a page of the program, by the page's name; the
// contents for the main window and any page without a topic of its own.
std::string_view HelpTopicFor(std::string_view pageName);

// The manual's page for a topic in the help folder.
std::string HelpPagePath(const std::string& helpFolder, std::string_view topic);

}  // namespace kestrel::app
