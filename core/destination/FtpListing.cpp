// SPDX-License-Identifier: Apache-2.0
#include "destination/FtpListing.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kestrel::destination {
namespace {

template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) visit(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// The text after the first `fields` runs of blanks, where the name of a LIST line begins; it
// keeps the blanks inside the name.
std::string_view AfterFields(std::string_view line, int fields) {
  std::size_t at = 0;
  for (int field = 0; field < fields; ++field) {
    at = line.find_first_not_of(' ', at);
    at = at == std::string_view::npos ? at : line.find(' ', at);
    if (at == std::string_view::npos) return {};
  }
  at = line.find_first_not_of(' ', at);
  return at == std::string_view::npos ? std::string_view{} : line.substr(at);
}

void Add(std::vector<ListedEntry>& entries, std::string_view name, bool folder,
         std::optional<std::uint64_t> size = std::nullopt) {
  if (!name.empty() && name != "." && name != "..")
    entries.push_back({std::string(name), folder, size});
}

// The value of the "size" fact among ";"-led, lower-cased facts; nothing when it is missing or
// not a whole number.
std::optional<std::uint64_t> SizeFact(std::string_view facts) {
  constexpr std::string_view kSize = ";size=";
  const auto at = facts.find(kSize);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = facts.substr(at + kSize.size());
  value = value.substr(0, value.find(';'));
  const char* end = value.data() + value.size();
  std::uint64_t size = 0;
  const auto parsed = std::from_chars(value.data(), end, size);
  if (parsed.ec != std::errc{} || parsed.ptr != end) return std::nullopt;
  return size;
}

// The kinds of entry the first letter of a Unix listing line names: a file, a folder, a link, a
// pipe, a socket, a device.
constexpr std::string_view kUnixKinds = "-dlpsbc";

}  // namespace

FolderListing ListingFromMlsd(std::string_view text) {
  FolderListing listing{{}, true};
  ForEachLine(text, [&](std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) {
      listing.namesEveryEntry = false;
      return;
    }
    const std::string facts = ";" + Lower(line.substr(0, blank));
    if (facts.find(";type=cdir;") != std::string::npos) return;
    if (facts.find(";type=pdir;") != std::string::npos) return;
    Add(listing.entries, line.substr(blank + 1), facts.find(";type=dir;") != std::string::npos,
        SizeFact(facts));
  });
  return listing;
}

FolderListing ListingFromList(std::string_view text) {
  FolderListing listing;
  ForEachLine(text, [&](std::string_view line) {
    if (kUnixKinds.find(line[0]) != std::string_view::npos) {
      // drwxr-xr-x 2 owner group size month day time-or-year name[ -> target]
      std::string_view name = AfterFields(line, 8);
      if (line[0] == 'l') name = name.substr(0, name.find(" -> "));
      Add(listing.entries, name, line[0] == 'd');
    } else if (std::isdigit(static_cast<unsigned char>(line[0]))) {
      // 01-31-24  10:15AM  <DIR>  name, or the size in place of <DIR>
      Add(listing.entries, AfterFields(line, 3), AfterFields(line, 2).starts_with("<DIR>"));
    }
  });
  return listing;
}

std::vector<std::string> FolderNames(const std::vector<ListedEntry>& entries) {
  std::vector<std::string> names;
  for (const ListedEntry& entry : entries)
    if (entry.folder) names.push_back(entry.name);
  return names;
}

}  // namespace kestrel::destination
