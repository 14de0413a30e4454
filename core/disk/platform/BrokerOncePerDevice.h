// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "disk/platform/Platform.h"

namespace kestrel::platform {

// A disk broker over `ask` that asks for each device once and gives every opening a duplicate of
// the descriptor it got, kept until the broker is destroyed. udisks2 opens a device exclusively
// (O_EXCL), so a second request for it would be refused as busy while the first descriptor is
// open; keeping it also keeps anyone from mounting the disk while it is read. A refusal is not
// kept: the next opening of the device asks again. An opening waits only for the answer about its
// own device (polkit may hold one for minutes while a person reads its password question), so two
// openings of one device at once ask once, and other devices open meanwhile.
DiskBroker AskingOncePerDevice(DiskBroker ask);

}  // namespace kestrel::platform
