#include "imaging/ImageDestination.h"

#include <filesystem>

#include "app/SizeText.h"
#include "destination/SourceOverlap.h"
#include "disk/platform/Platform.h"
#include "imaging/ImagingRange.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::imaging {

std::string ImagePathForChosenName(const std::string& chosen) {
  return app::Format("%s.IMG", chosen.c_str());
}

// The whole range is compared, to the byte: a size in whole MiB would let an image that needs
// part of one more MiB start and then fail for want of room.
std::optional<app::Failure> CheckRoomForImage(const std::string& imagePath, SectorRange range) {
  std::filesystem::path folder = platform::Utf8Path(imagePath).parent_path();
  if (folder.empty()) folder = ".";
  const auto free = platform::FreeBytes(platform::Utf8Text(folder));
  if (!free) return app::Failure{imagePath + ": the folder of the image cannot be reached"};
  if (*free < RangeBytes(range)) return app::Failure{std::string(kInsufficientSpace)};
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
