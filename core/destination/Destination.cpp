#include "destination/Destination.h"

namespace kestrel::destination {

// A POSIX file system refuses only "/" and NUL in a name, and names longer than 255 bytes.
const NameRules& LocalDestination::Rules() const {
  static const NameRules rules{std::u16string(u"/\0", 2), 255};
  return rules;
}

}  // namespace kestrel::destination
