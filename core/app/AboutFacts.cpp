// SPDX-License-Identifier: Apache-2.0
#include "app/AboutFacts.h"

#include <charconv>

#include "app/SizeText.h"

namespace kestrel::app {
namespace {

// Reads the number at the start of text and moves past it and one separator after it.
long TakeNumber(std::string_view& text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{}) {
    text = {};
    return 0;
  }
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
  } else {
    text = {};  // the numbers end at anything but a dot
  }
  return value;
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string OsReleaseValue(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return Unquoted(line.substr(key.size() + 1));
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return {};
}

}  // namespace

AboutFacts MakeAboutFacts(const SystemFacts& system) {
  const VersionNumbers numbers = ParseVersionNumbers(system.systemRelease);
  return {"Kestrel Varnoak NSS",
          "v3.0.0.0",
          "Novell(NSS)",
          Format("%ld MB RAM", static_cast<long>(system.physicalMemoryBytes >> 20)),
          system.computerName,
          Format("%ld. %ld.%ld", numbers.major, numbers.minor, numbers.build),
          Format("%s", system.systemRelease.c_str()),
          system.systemName};
}

VersionNumbers ParseVersionNumbers(std::string_view release) {
  VersionNumbers numbers;
  numbers.major = TakeNumber(release);
  numbers.minor = TakeNumber(release);
  numbers.build = TakeNumber(release);
  return numbers;
}

std::string OsReleaseName(std::string_view osRelease) {
  std::string name = OsReleaseValue(osRelease, "PRETTY_NAME");
  return name.empty() ? OsReleaseValue(osRelease, "NAME") : name;
}

}  // namespace kestrel::app
