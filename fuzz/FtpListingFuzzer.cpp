// SPDX-License-Identifier: Apache-2.0
// Feeds a folder listing, as a hostile server could send it, through the MLSD and the LIST
// parsers; an entry must have a name a path can be made of.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "destination/FtpListing.h"

namespace {

void Check(const std::vector<kestrel::destination::ListedEntry>& entries) {
  for (const auto& entry : entries) {
    if (entry.name.empty() || entry.name == "." || entry.name == ".." ||
        entry.name.find('\n') != std::string::npos)
      __builtin_trap();
  }
  volatile std::size_t sink = kestrel::destination::FolderNames(entries).size();
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listing(reinterpret_cast<const char*>(data), size);
  Check(kestrel::destination::ListingFromMlsd(listing).entries);
  Check(kestrel::destination::ListingFromList(listing).entries);
  return 0;
}
