#include "imaging/ImageDestination.h"

#include <filesystem>

#include "app/SizeText.h"
#include "disk/platform/Platform.h"
#include "imaging/ImagingRange.h"

namespace kestrel::imaging {

std::string ImagePathForChosenName(const std::string& chosen) {
  return app::Format("%s.IMG", chosen.c_str());
}

// The whole range is compared, to the byte: a size in whole MiB would let an image that needs
// part of one more MiB start and then fail for want of room.
std::optional<app::Failure> CheckRoomForImage(const std::string& imagePath, SectorRange range) {
  std::filesystem::path folder = std::filesystem::path(imagePath).parent_path();
  if (folder.empty()) folder = ".";
  const auto free = platform::FreeBytes(folder.string());
  if (!free) return app::Failure{imagePath + ": the folder of the image cannot be reached"};
  if (*free < RangeBytes(range)) return app::Failure{std::string(kInsufficientSpace)};
  return std::nullopt;
}

std::string DefaultMapPath(const std::string& imagePath) {
  return imagePath + ".map";
}

}  // namespace kestrel::imaging
