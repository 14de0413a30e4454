#include "destination/FtpListing.h"

#include <algorithm>
#include <cctype>

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

void AddFolder(std::vector<std::string>& names, std::string_view name) {
  if (!name.empty() && name != "." && name != "..") names.emplace_back(name);
}

}  // namespace

std::vector<std::string> FolderNamesFromMlsd(std::string_view listing) {
  std::vector<std::string> names;
  ForEachLine(listing, [&](std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return;
    const std::string facts = ";" + Lower(line.substr(0, blank));
    if (facts.find(";type=dir;") != std::string::npos) AddFolder(names, line.substr(blank + 1));
  });
  return names;
}

std::vector<std::string> FolderNamesFromList(std::string_view listing) {
  std::vector<std::string> names;
  ForEachLine(listing, [&](std::string_view line) {
    if (line.starts_with('d')) {  // drwxr-xr-x 2 owner group size month day time-or-year name
      AddFolder(names, AfterFields(line, 8));
    } else if (std::isdigit(static_cast<unsigned char>(line[0])) &&
               AfterFields(line, 2).starts_with("<DIR>")) {  // 01-31-24  10:15AM  <DIR>  name
      AddFolder(names, AfterFields(line, 3));
    }
  });
  return names;
}

}  // namespace kestrel::destination
