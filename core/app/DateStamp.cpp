// SPDX-License-Identifier: Apache-2.0
#include "app/DateStamp.h"

#include <array>

namespace kestrel::app {
namespace {

std::string Format(const char* format, const std::tm& local) {
  std::array<char, 256> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), format, &local);
  return {text.data(), length};
}

}  // namespace

std::string DateTimeStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  // The long date (weekday, month, day and year, as "Monday, December 07, 2026") and the time, in
  // one format: GCC 12 at -O3 takes joining the pieces with + for an overlapping copy.
  return Format(" %A, %B %d, %Y at %X", local);
}

std::string DateTimeStampNow() {
  return DateTimeStamp(std::time(nullptr));
}

std::string IsoUtcStamp(std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  return Format("%Y-%m-%dT%H:%M:%SZ", utc);
}

}  // namespace kestrel::app
