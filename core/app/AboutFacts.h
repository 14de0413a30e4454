// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::app {

// What the operating system tells about the machine the program runs on.
struct SystemFacts {
  std::uint64_t physicalMemoryBytes = 0;
  std::string computerName;
  std::string systemName;     // the operating system's own name for itself
  std::string systemRelease;  // its full version text
};

// Reads the facts from the running system (one implementation per platform).
SystemFacts ReadSystemFacts();

// The lines of the about box.
struct AboutFacts {
  std::string product;  // "Kestrel Varnoak NSS"
  std::string version;  // "v3.0.0.0"
  std::string edition;  // "Novell(NSS)"
  std::string memory;   // "%ld MB RAM"
  std::string computerName;
  std::string systemVersion;  // "%ld. %ld.%ld": major, minor and build number
  std::string servicePack;    // "%s": the full version text
  std::string systemName;
};

AboutFacts MakeAboutFacts(const SystemFacts& system);

// The program's licence and those of the libraries it is built with, as the about box names them.
inline constexpr std::string_view kLicenceText =
    "Released under the Apache License 2.0. Built with Qt 6 (LGPL-3), libcurl (curl licence), "
    "OpenSSL (Apache-2.0), libfuse (LGPL-2.1), libewf, libvmdk, libvhdi and libqcow (LGPL-3), "
    "CLI11 (BSD-3-Clause) and nlohmann-json (MIT).";

// The major, minor and build numbers at the start of a version text such as "6.1.0-18-amd64";
// a number that is missing is 0.
struct VersionNumbers {
  long major = 0;
  long minor = 0;
  long build = 0;
};
VersionNumbers ParseVersionNumbers(std::string_view release);

// PRETTY_NAME of an os-release file (quotes removed), else NAME; empty when it has neither.
std::string OsReleaseName(std::string_view osRelease);

}  // namespace kestrel::app
