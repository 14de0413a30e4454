// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "mount/MountedVolume.h"

// Serves a mounted volume's folder tree through libfuse 3. The only file that knows FUSE.
namespace kestrel::cli {

struct ServeOptions {
  std::string mountPoint;
  bool foreground = false;  // else the server goes to the background once the mount is made
  bool allowOther = false;  // let users other than the one who mounts read the files
};

// Mounts read-only at the mount point and serves until unmounted (fusermount3 -u, or SIGINT,
// SIGTERM or SIGHUP to the server). Returns the exit status; says on standard error why a mount
// could not be made.
int ServeReadOnly(const mount::MountedVolume& volume, const ServeOptions& options);

}  // namespace kestrel::cli
