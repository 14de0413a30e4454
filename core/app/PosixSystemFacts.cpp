// SPDX-License-Identifier: Apache-2.0
// The about box's facts on a POSIX system: sysinfo for the memory, the host name, and the
// distribution's os-release file (else uname) for the system's name; and the locale's code page.
#include <langinfo.h>
#include <limits.h>  // HOST_NAME_MAX
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "app/AboutFacts.h"
#include "app/CodePageTable.h"

namespace kestrel::app {
namespace {

std::string FileText(const char* path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

SystemFacts ReadSystemFacts() {
  SystemFacts facts;
  struct sysinfo memory {};
  if (sysinfo(&memory) == 0)
    facts.physicalMemoryBytes = std::uint64_t{memory.totalram} * memory.mem_unit;
  facts.computerName = ComputerName();
  struct utsname system {};
  if (uname(&system) == 0) {
    facts.systemName = system.sysname;
    facts.systemRelease = system.release;
  }
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    const std::string name = OsReleaseName(FileText(path));
    if (!name.empty()) {
      facts.systemName = name;
      break;
    }
  }
  return facts;
}

int LocaleCodePage() {
  return CodePageOfCharset(nl_langinfo(CODESET));
}

}  // namespace kestrel::app
