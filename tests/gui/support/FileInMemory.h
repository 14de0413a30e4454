// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <string>

#include "gui/viewers/PreviewArea.h"

namespace kestrel::guitest {

// The bytes as the one file of a volume held in memory, from block 1 of a pool that starts at
// byte 0, for the preview area.
gui::PreviewFile FileInMemory(const QByteArray& bytes, const std::u16string& name);

}  // namespace kestrel::guitest
