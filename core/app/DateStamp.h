#pragma once

#include <ctime>
#include <string>

namespace kestrel::app {

// " %s at %s": the local date in the long date format and the local time in the time format of
// the user's locale (LC_TIME), with its leading blank.
std::string DateTimeStamp(std::time_t when);
std::string DateTimeStampNow();

}  // namespace kestrel::app
