// SPDX-License-Identifier: Apache-2.0
#include "app/HelpTopics.h"

#include <array>
#include <utility>

namespace kestrel::app {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 19> kTopics{{
    {"CInitialInfo", "media-page"},
    {"LeafIterator", "volume-page"},
    {"CpoolIterator", "pool-page"},
    {"CScanDisk", "disk-scan-page"},
    {"CFileMask", "mask-and-find"},
    {"FileMaskForPool", "mask-and-find"},
    {"CFindFileDlg", "mask-and-find"},
    {"ResumeRecovery", "resume"},
    {"CCreateImageItems", "imaging"},
    {"CImageCreation", "imaging"},
    {"CDiskClone", "imaging"},
    {"CKestrelNSSRecoveryDlg", "index"},
    {"CSaveFile", "destination"},
    {"CPoolSaving", "destination"},
    {"CFTPSettings", "destination"},
    {"CFtpTree", "destination"},
    {"CFilterDialog", "destination"},
    {"CAlreadyExistFileDialog", "destination"},
    {"CScanRename", "resume"},
}};

}  // namespace

std::string_view HelpTopicFor(std::string_view pageName) {
  for (const auto& [page, topic] : kTopics) {
    if (page == pageName) return topic;
  }
  return "index";
}

std::vector<std::string> HelpFolders(const std::string& programFolder) {
  const std::string beside = programFolder + "/" + std::string(kHelpFolderName);
  return {beside, programFolder + "/../share/kestrel-nss/" + std::string(kHelpFolderName)};
}

std::string HelpPagePath(const std::string& helpFolder, std::string_view topic) {
  return helpFolder + "/" + std::string(topic) + ".html";
}

}  // namespace kestrel::app
