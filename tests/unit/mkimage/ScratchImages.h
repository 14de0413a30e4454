// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "MkImage.h"
#include "Status.h"

namespace kestrel::mkimage::testing {

using Bytes = std::vector<std::uint8_t>;

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string path(std::string_view name) const;

 private:
  std::string root_;
};

Bytes ReadFile(const std::string& path);

// Little-endian value of `width` bytes; the test fails on reads past the end.
std::uint64_t Le(const Bytes& bytes, std::int64_t offset, std::size_t width);
std::string Text(const Bytes& bytes, std::int64_t offset, std::size_t size);

struct BuiltImages {
  std::vector<Bytes> disks;
  nlohmann::ordered_json manifest;
};

// Builds every disk of the layout into `scratch` and reads the images back.
Result<BuiltImages> Build(const ScratchDir& scratch, std::string_view layoutJson);

// The error that building the layout gives (empty when it builds).
std::string BuildError(std::string_view layoutJson);

// A layout of one disk and one pool "P" (4 MiB) holding one volume "V" with these entries;
// `volumeFields` is added to the volume's fields, e.g. R"("layout": "A",)".
std::string OneVolumeLayout(std::string_view entriesJson, std::string_view volumeFields = "");

// The manifest's entry with this path in the first pool's first volume.
const nlohmann::ordered_json& EntryAt(const nlohmann::ordered_json& manifest,
                                      std::string_view path);

}  // namespace kestrel::mkimage::testing
