// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace kestrel::gui {

// Lets the desktop program, run by an ordinary user, open the disks the system refuses it: on
// Linux it asks udisks2 for a read-only descriptor, which polkit authorises (the desktop's agent
// asks for a password where the policy says so), as the desktop's own disk tools do. A Windows
// program runs as administrator and installs nothing. Call once, with the application object
// made, before any disk is opened.
void InstallDiskBroker();

}  // namespace kestrel::gui
