// SPDX-License-Identifier: Apache-2.0
// Windows: the program asks for administrator rights when it starts (its manifest), and opens
// every disk itself.
#include "gui/app/DiskBroker.h"

namespace kestrel::gui {

void InstallDiskBroker() {}

}  // namespace kestrel::gui
