// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <ctime>
#include <string>

namespace kestrel::app {

// " %s at %s": the local date in the long date format and the local time in the time format of
// the user's locale (LC_TIME), with its leading blank.
std::string DateTimeStamp(std::time_t when);
std::string DateTimeStampNow();

// "2026-12-08T23:15:35Z": the time in UTC as ISO 8601 writes it, for reports that scripts read.
std::string IsoUtcStamp(std::time_t when);

}  // namespace kestrel::app
