// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "destination/FtpSettings.h"

namespace kestrel::gui {

// The FTP server, user and password of this session: kept in memory for the life of the
// process, shared by both destination dialogs, and never written anywhere.
destination::FtpSettings& SessionFtpSettings();

}  // namespace kestrel::gui
