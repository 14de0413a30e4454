// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QIcon>

namespace kestrel::gui {

// The image of a file list icon index (volume::RowIcon), from the desktop's icon theme with a
// plain file or folder as the fallback.
const QIcon& ListIcon(int iconIndex);
// The icon of a deleted file's row, whatever its type.
const QIcon& DeletedFileIcon();
// The icon of a file that holds bytes never read from a failing disk.
const QIcon& UnreadFileIcon();

}  // namespace kestrel::gui
