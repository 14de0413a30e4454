// SPDX-License-Identifier: Apache-2.0
#include "destination/Destination.h"

namespace kestrel::destination {

// A POSIX file system refuses only "/" and NUL in a name, and names longer than 255 bytes.
const NameRules& PosixNameRules() {
  static const NameRules rules{std::u16string(u"/\0", 2), 255};
  return rules;
}

// Windows refuses <>:"|?* besides both separators, takes CON, NUL, COM1 and the other device
// names (with any extension) for the devices, and drops a dot or blank at the end of a name.
const NameRules& WindowsNameRules() {
  static const NameRules rules{u"<>:\"|?*", 255, true};
  return rules;
}

const NameRules& LocalDestination::Rules() const {
  return platform::LocalNamesFollowWindowsRules() ? WindowsNameRules() : PosixNameRules();
}

}  // namespace kestrel::destination
