// SPDX-License-Identifier: Apache-2.0
// The about box's facts on Windows: the memory, the computer's name and the system's version;
// and the ANSI code page.
#include <windows.h>

#include <array>
#include <optional>

#include "app/AboutFacts.h"
#include "app/CodePageTable.h"
#include "disk/platform/WideText.h"

namespace kestrel::app {
namespace {

// RtlGetVersion tells the real version; GetVersionEx reports what the program's manifest allows.
std::optional<RTL_OSVERSIONINFOW> SystemVersion() {
  using Query = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto query =
      ntdll ? reinterpret_cast<Query>(
                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  RTL_OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (query == nullptr || query(&version) != 0) return std::nullopt;
  return version;
}

}  // namespace

SystemFacts ReadSystemFacts() {
  SystemFacts facts;
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) facts.physicalMemoryBytes = memory.ullTotalPhys;
  std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD length = static_cast<DWORD>(name.size());
  if (GetComputerNameW(name.data(), &length))
    facts.computerName = platform::FromWide(std::wstring_view(name.data(), length));
  facts.systemName = "Windows";
  if (const auto version = SystemVersion()) {
    facts.systemRelease = std::to_string(version->dwMajorVersion) + "." +
                          std::to_string(version->dwMinorVersion) + "." +
                          std::to_string(version->dwBuildNumber);
    const std::string servicePack = platform::FromWide(version->szCSDVersion);
    if (!servicePack.empty()) facts.systemRelease += " " + servicePack;
  }
  return facts;
}

int LocaleCodePage() {
  return static_cast<int>(GetACP());
}

}  // namespace kestrel::app
