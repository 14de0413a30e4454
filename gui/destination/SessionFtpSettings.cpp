// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/SessionFtpSettings.h"

namespace kestrel::gui {

destination::FtpSettings& SessionFtpSettings() {
  static destination::FtpSettings settings;
  return settings;
}

}  // namespace kestrel::gui
