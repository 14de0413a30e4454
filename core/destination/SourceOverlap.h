// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>

#include "app/Result.h"

// Whether what a run writes would land on the source it reads: the source itself, or a file
// system that lies on the source disk, where every byte written may overwrite deleted data still
// to be saved.
namespace kestrel::destination {

enum class SourceOverlap { None, IsTheSource, OnTheSourceDisk };

// sourcePath is a device, an image file, or the logical name of a disk.
SourceOverlap OverlapWithSource(const std::string& path, const std::string& sourcePath);

// Nothing when files may be recovered into the local folder; else why not.
std::optional<app::Failure> RecoveryFolderRefusal(const std::string& folder,
                                                  const std::string& sourcePath);

}  // namespace kestrel::destination
