// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <stop_token>
#include <string>

#include "disk/DiskReader.h"

namespace kestrel::disk {

// Opens an image file, read-only, as the source its container holds: the file itself when it is
// raw, every piece of a split raw image from its first, or the disk inside an EWF, VMDK, VHD,
// VHDX or QCOW2 container. The kind is told by the file's signature, never by its extension;
// a file that is no regular file (a block device) is read as it is. Opening a container may check
// it at length; a stop request ends that with an error.
OpenedSource OpenImageFile(const std::string& path, std::stop_token stop = {});

// The disk inside a container that its library reads: one file per platform, LibyalContainers.cpp
// where the libraries are built, NoContainerLibraries.cpp where they are not.
OpenedSource OpenLibraryContainer(ContainerKind kind, const std::string& path,
                                  std::stop_token stop = {});

}  // namespace kestrel::disk
