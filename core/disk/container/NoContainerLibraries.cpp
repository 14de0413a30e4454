// SPDX-License-Identifier: Apache-2.0
// Where the container libraries are not built (the Windows build), only raw images and raw images
// in pieces are read; any other container is refused with what to do instead.
#include "disk/container/ImageFile.h"

namespace kestrel::disk {

OpenedSource OpenLibraryContainer(ContainerKind kind, const std::string& path, std::stop_token) {
  return {{},
          {OpenError::Failed,
           path + ": a " + std::string(ContainerTitle(kind)) +
               " cannot be read by this build; convert it to a raw image first (qemu-img convert "
               "-O raw, or ewfexport for an E01)"},
          kind};
}

}  // namespace kestrel::disk
