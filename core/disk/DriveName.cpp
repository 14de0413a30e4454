// SPDX-License-Identifier: Apache-2.0
#include "disk/DriveName.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kestrel::disk {
namespace {

constexpr std::string_view kPrefix = R"(\\.\PhysicalDrive)";

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string PhysicalDriveName(int n) {
  return std::string(kPrefix) + std::to_string(n);
}

std::optional<int> PhysicalDriveNumber(std::string_view name) {
  if (name.size() <= kPrefix.size() ||
      !EqualIgnoringCase(name.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(kPrefix.size());
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc{} || end != digits.data() + digits.size() || number < 0)
    return std::nullopt;
  return number;
}

}  // namespace kestrel::disk
