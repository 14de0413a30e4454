// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::test {

// The real NSS super block of the shared test data (8192 bytes once unpacked), found beside the
// checkout, at KESTREL_TESTDATA, or at the workspace's shared folder; unpacked already
// (superblock-sample.img, where no xz can be run, as under Wine) or packed. Nothing when absent.
inline std::optional<std::vector<std::uint8_t>> RealSuperBlockSample() {
  std::vector<std::filesystem::path> folders{KESTREL_SOURCE_DIR "/../shared/testdata/real",
                                             "/work/shared/testdata/real"};
  if (const char* configured = std::getenv("KESTREL_TESTDATA"))
    folders.insert(folders.begin(), configured);
  for (const auto& folder : folders) {
    if (std::filesystem::exists(folder / "superblock-sample.img")) {
      std::ifstream file(folder / "superblock-sample.img", std::ios::binary);
      return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
    }
    const auto path = folder / "superblock-sample.img.xz";
    if (!std::filesystem::exists(path)) continue;
    FILE* pipe = ::popen(("xz -dc '" + path.string() + "'").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (int c; (c = std::fgetc(pipe)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
    ::pclose(pipe);
    return bytes;
  }
  return std::nullopt;
}

}  // namespace kestrel::test
