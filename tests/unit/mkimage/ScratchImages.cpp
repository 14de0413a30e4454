// SPDX-License-Identifier: Apache-2.0
#include "ScratchImages.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "LayoutParser.h"

namespace kestrel::mkimage::testing {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mkimage-test-XXXXXX").string();
  root_ = ::mkdtemp(pattern.data()) ? pattern : "";
  EXPECT_FALSE(root_.empty()) << "cannot make a scratch folder";
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDir::path(std::string_view name) const {
  return root_ + "/" + std::string(name);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  Bytes bytes(file ? static_cast<std::size_t>(file.tellg()) : 0);
  file.seekg(0);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::uint64_t Le(const Bytes& bytes, std::int64_t offset, std::size_t width) {
  const auto at = static_cast<std::size_t>(offset);
  EXPECT_LE(at + width, bytes.size()) << "read past the image at " << offset;
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;)
    value = (value << 8) | (at + i < bytes.size() ? bytes[at + i] : 0);
  return value;
}

std::string Text(const Bytes& bytes, std::int64_t offset, std::size_t size) {
  const auto at = std::min(static_cast<std::size_t>(offset), bytes.size());
  return std::string(bytes.begin() + at, bytes.begin() + std::min(at + size, bytes.size()));
}

Result<BuiltImages> Build(const ScratchDir& scratch, std::string_view layoutJson) {
  Result<Layout> layout = ParseLayout(layoutJson);
  if (!layout) return layout.error();
  OutputRequest request;
  for (std::size_t i = 0; i < layout->disks.size(); ++i) {
    request.imagePaths.push_back(scratch.path("disk" + std::to_string(i) + ".img"));
  }
  Result<Manifest> manifest = BuildImages(*layout, request);
  if (!manifest) return manifest.error();
  BuiltImages built{{}, ManifestToJson(*manifest)};
  for (const std::string& path : request.imagePaths) built.disks.push_back(ReadFile(path));
  return built;
}

std::string BuildError(std::string_view layoutJson) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, layoutJson);
  return built ? "" : built.error().message;
}

std::string OneVolumeLayout(std::string_view entriesJson, std::string_view volumeFields) {
  return R"({"disks": [{"partitions": [{"sizeSectors": 8192, "pool": {"name": "P",
            "volumes": [{"names": ["V"], )" +
         std::string(volumeFields) + R"( "entries": [)" + std::string(entriesJson) + "]}]}}]}]}";
}

const nlohmann::ordered_json& EntryAt(const nlohmann::ordered_json& manifest,
                                      std::string_view path) {
  for (const nlohmann::ordered_json& entry :
       manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]["entries"]) {
    if (entry["path"] == path) return entry;
  }
  ADD_FAILURE() << "no entry " << path << " in the manifest";
  static const nlohmann::ordered_json kNone;
  return kNone;
}

}  // namespace kestrel::mkimage::testing
