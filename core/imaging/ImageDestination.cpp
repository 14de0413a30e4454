// SPDX-License-Identifier: Apache-2.0
#include "imaging/ImageDestination.h"

#include <filesystem>

#include "app/SizeText.h"
#include "destination/SourceOverlap.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"
#include "imaging/ImagingRange.h"

namespace kestrel::imaging {

namespace {

std::uint64_t ExistingFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return 0;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  return error ? 0 : bytes;
}

}  // namespace

std::string ImagePathForChosenName(const std::string& chosen) {
  return app::Format("%s.IMG", chosen.c_str());
}

// The whole range is compared, to the byte: a size in whole MiB would let an image that needs
// part of one more MiB start and then fail for want of room. An image already at the path is
// replaced or resumed, so its bytes are room the new one may take.
std::optional<app::Failure> CheckRoomForImage(const std::string& imagePath, SectorRange range) {
  const std::filesystem::path path = platform::Utf8Path(imagePath);
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const auto free = platform::FreeBytes(platform::Utf8Text(folder));
  if (!free) return app::Failure{imagePath + ": the folder of the image cannot be reached"};
  const std::uint64_t existing = ExistingFileBytes(path);
  const std::uint64_t needed = RangeBytes(range);
  if (needed > existing && *free < needed - existing)
    return app::Failure{std::string(kInsufficientSpace)};
  return std::nullopt;
}

std::optional<app::Failure> ImageDestinationRefusal(const std::string& imagePath,
                                                    const std::string& sourcePath) {
  switch (destination::OverlapWithSource(imagePath, sourcePath)) {
    case destination::SourceOverlap::IsTheSource:
      return app::Failure{imagePath + ": is the source; write the image elsewhere"};
    case destination::SourceOverlap::OnTheSourceDisk:
      return app::Failure{imagePath + ": lies on a file system of the source disk (" + sourcePath +
                          "); writing the image there would overwrite the deleted data to be "
                          "saved. Choose a folder on another disk."};
    case destination::SourceOverlap::None:
      break;
  }
  return std::nullopt;
}

std::string DefaultMapPath(const std::string& imagePath) {
  return imagePath + ".map";
}

}  // namespace kestrel::imaging
