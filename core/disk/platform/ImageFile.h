#pragma once

#include <string>

#include "disk/platform/Platform.h"

namespace kestrel::platform {

// Creates the file an image is written to, or empties the one already there, for positioned
// sector writes. A path that names a device, a folder or anything else but a plain file is
// refused, so that an image can never be written over a disk.
OpenedWriter CreateImageFile(const std::string& path);

}  // namespace kestrel::platform
