// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/Result.h"
#include "destination/FreeSpace.h"
#include "imaging/SectorRange.h"

// Where an image goes: its name, the room it needs, and the map file beside it.
namespace kestrel::imaging {

inline constexpr std::string_view kInsufficientSpace = destination::kInsufficientSpaceText;

// The image path from the name chosen in the save dialog: "%s.IMG", always, also after a name
// that already ends in ".IMG".
std::string ImagePathForChosenName(const std::string& chosen);

// Nothing when the file system that will hold the image has room for the whole range, an image
// already at the path counted as room; else the failure: kInsufficientSpace, or that the image's
// folder cannot be reached.
std::optional<app::Failure> CheckRoomForImage(const std::string& imagePath, SectorRange range);

// Nothing when an image of the source may be written at imagePath; else why not: the path is the
// source itself, or lies on a file system of the source disk, where writing the image would
// overwrite the deleted data that imaging is meant to save. sourcePath is a device or an image
// file, or the logical name of a disk.
std::optional<app::Failure> ImageDestinationRefusal(const std::string& imagePath,
                                                    const std::string& sourcePath);

// The map file of an image when none is named: the image's path with ".map" appended.
std::string DefaultMapPath(const std::string& imagePath);

}  // namespace kestrel::imaging
